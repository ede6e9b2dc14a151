// The activation counter's rules and messages, and the pick list's order, without a renderer.

#include <gtest/gtest.h>

#include <string>

#include "scene/PickList.h"
#include "scene/RenderingContext.h"
#include "scene/SceneErrors.h"
#include "scene/SceneObject.h"

namespace nimbrel::scene::test {
namespace {

int surfaceA, contextA, surfaceB, contextB;  // only their addresses are used

template <class E, class F>
std::string MessageOf(F&& call) {
  try {
    call();
  } catch (const E& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

TEST(ActivationCounter, NestsAndMakesCurrentOnlyOnTheOutermostLevel) {
  int made = 0, released = 0;
  const auto make = [&] { return ++made, true; };
  const auto done = [&] { return ++released, true; };
  ActivateRenderingContext(&surfaceA, &contextA, make, done);
  ActivateRenderingContext(&surfaceA, &contextA, make, done);
  EXPECT_EQ(RenderingContextActivations(), 2);
  EXPECT_TRUE(RenderingContextActive(&contextA));
  DeactivateRenderingContext();
  EXPECT_EQ(released, 0);
  DeactivateRenderingContext();
  EXPECT_EQ(made, 1);
  EXPECT_EQ(released, 1);
  EXPECT_EQ(RenderingContextActivations(), 0);
  EXPECT_FALSE(RenderingContextActive(&contextA));
}

TEST(ActivationCounter, BrokenRulesAreReportedWithTheirMessages) {
  const auto ok = [] { return true; };
  const auto fails = [] { return false; };
  struct TCase {
    const char* what;
    std::function<void()> call;
    const char* message;
  };
  const TCase cases[] = {
      {"release without activation", [] { DeactivateRenderingContext(); },
       "DeactivateRenderingContext: unbalanced activations"},
      {"null surface", [&] { ActivateRenderingContext(nullptr, &contextA, ok, ok); },
       "ActivateRenderingContext: DC must not be 0"},
      {"null context", [&] { ActivateRenderingContext(&surfaceA, nullptr, ok, ok); },
       "ActivateRenderingContext: RC must not be 0"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(MessageOf<EAssertionFailed>(c.call), c.message) << c.what;
    EXPECT_EQ(RenderingContextActivations(), 0) << c.what;
  }
  EXPECT_EQ(MessageOf<EOpenGLError>([&] { ActivateRenderingContext(&surfaceA, &contextA, fails, ok); }),
            "wglMakeCurrent failed");
  EXPECT_EQ(RenderingContextActivations(), 0);
}

TEST(ActivationCounter, AnotherPairCannotNestAndTheActiveContextCannotBeDestroyed) {
  const auto ok = [] { return true; };
  ActivateRenderingContext(&surfaceA, &contextA, ok, ok);
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { ActivateRenderingContext(&surfaceB, &contextB, ok, ok); }),
            "ActivateRenderingContext: incoherent DC/RC pair");
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { ActivateRenderingContext(&surfaceA, &contextB, ok, ok); }),
            "ActivateRenderingContext: incoherent DC/RC pair");
  EXPECT_EQ(MessageOf<EAssertionFailed>([] { CheckRenderingContextDestroyable(&contextA); }),
            "DestroyRenderingContext: unbalanced activations");
  EXPECT_NO_THROW(CheckRenderingContextDestroyable(&contextB));
  EXPECT_EQ(RenderingContextActivations(), 1);
  DeactivateRenderingContext();
  EXPECT_NO_THROW(CheckRenderingContextDestroyable(&contextA));
}

TEST(ActivationCounter, AFailedReleaseIsReportedAndTheCounterIsBackAtZero) {
  ActivateRenderingContext(
      &surfaceA, &contextA, [] { return true; }, [] { return false; });
  EXPECT_EQ(MessageOf<EOpenGLError>([] { DeactivateRenderingContext(); }),
            "DeactivateRenderingContext: wglMakeCurrent failed");
  EXPECT_EQ(RenderingContextActivations(), 0);
}

TEST(PickList, KeepsHitsNearestFirstAndEqualDepthsInArrivalOrder) {
  TBaseSceneObject objectA, objectB, objectC;
  TBaseSceneObject* const a = &objectA;
  TBaseSceneObject* const b = &objectB;
  TBaseSceneObject* const c = &objectC;
  TPickList byMin;
  byMin.AddHit(a, 0.5f, 0.6f);
  byMin.AddHit(b, 0.2f, 0.9f);
  byMin.AddHit(c, 0.5f, 0.55f);
  ASSERT_EQ(byMin.Count(), 3);
  EXPECT_EQ(byMin.Object(0), b);
  EXPECT_EQ(byMin.Object(1), a);
  EXPECT_EQ(byMin.Object(2), c);
  EXPECT_EQ(byMin.First(), b);
  EXPECT_THROW(byMin.Hit(3), EAssertionFailed);

  TPickList byMax(TPickSortType::psMaxDepth);
  byMax.AddHit(a, 0.5f, 0.6f);
  byMax.AddHit(b, 0.2f, 0.9f);
  byMax.AddHit(c, 0.5f, 0.55f);
  EXPECT_EQ(byMax.Object(0), c);
  EXPECT_EQ(byMax.Object(2), b);
  EXPECT_EQ(TPickList().First(), nullptr);
}

TEST(PickList, SelectionDepthsScaleToTheUnitRange) {
  EXPECT_EQ(TPickList::DepthFromSelection(0), 0.0f);
  EXPECT_EQ(TPickList::DepthFromSelection(0xFFFFFFFFu), 1.0f);
  EXPECT_NEAR(TPickList::DepthFromSelection(0x80000000u), 0.5f, 1e-6);
}

}  // namespace
}  // namespace nimbrel::scene::test
