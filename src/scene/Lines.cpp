#include "scene/Lines.h"

#include <algorithm>
#include <cmath>

#include "scene/SceneErrors.h"

namespace nimbrel::scene {

TLineBase::TLineBase() : lineColor_(this, {1, 1, 1, 1}) {}

void TLineBase::SetLinePattern(std::uint16_t value) {
  if (value == linePattern_) return;
  linePattern_ = value;
  MarkStructureDirty();
}

void TLineBase::SetLineWidth(float value) {
  if (!std::isfinite(value) || value < 0 || value == lineWidth_) return;
  lineWidth_ = value;
  MarkStructureDirty();
}

void TLineBase::SetAntiAliased(bool value) {
  if (value == antiAliased_) return;
  antiAliased_ = value;
  MarkStructureDirty();
}

void TLineBase::SetupLineStyle() const {}

TLinesNode::TLinesNode(TLines& owner, const Float4& point, const Float4& color)
    : TUpdateAbleObject(&owner), point_(point), color_(this, color) {
  point_.w = 1;
}

void TLinesNode::Store(const Float4& value) {
  if (Same4(value, point_)) return;
  point_ = value;
  NotifyChange(*this);
}

void TLinesNode::SetX(float value) {
  Store({value, point_.y, point_.z, point_.w});
}
void TLinesNode::SetY(float value) {
  Store({point_.x, value, point_.z, point_.w});
}
void TLinesNode::SetZ(float value) {
  Store({point_.x, point_.y, value, point_.w});
}
void TLinesNode::AssignComponents(const Float4& value) {
  Store(value);
}

TBaseSceneObject* TLinesNode::AsSceneObject() noexcept {
  return Owner() ? Owner()->AsSceneObject() : nullptr;
}

TLines::TLines() : nodeColor_(this, {0, 0, 1, 1}), previousNodeColor_{0, 0, 1, 1} {}

TLines::~TLines() = default;

TLinesNode& TLines::Node(int index) {
  SceneAssert(index >= 0 && index < NodeCount(), "TLines::Node: index out of range");
  return *nodes_[static_cast<std::size_t>(index)];
}

const TLinesNode& TLines::Node(int index) const {
  SceneAssert(index >= 0 && index < NodeCount(), "TLines::Node: index out of range");
  return *nodes_[static_cast<std::size_t>(index)];
}

TLinesNode& TLines::AppendNode(float x, float y, float z) {
  nodes_.push_back(std::make_unique<TLinesNode>(*this, Float4{x, y, z, 1}, nodeColor_.AsFloat4()));
  NodeChanged();
  return *nodes_.back();
}

void TLines::DeleteNode(int index) {
  SceneAssert(index >= 0 && index < NodeCount(), "TLines::DeleteNode: index out of range");
  nodes_.erase(nodes_.begin() + index);
  NodeChanged();
}

void TLines::ClearNodes() {
  if (nodes_.empty()) return;
  nodes_.clear();
  NodeChanged();
}

void TLines::EndNodesUpdate() {
  SceneAssert(nodesUpdate_ > 0, "Unbalanced Begin/EndUpdate");
  if (--nodesUpdate_ == 0) NodeChanged();
}

void TLines::NodeChanged() {
  MarkStructureDirty();
}

void TLines::SetNodesAspect(TLineNodesAspect value) {
  if (value == nodesAspect_) return;
  nodesAspect_ = value;
  MarkStructureDirty();
}

void TLines::SetNodeSize(float value) {
  if (!std::isfinite(value) || value <= 0) value = 1;
  if (value == nodeSize_) return;
  nodeSize_ = value;
  MarkStructureDirty();
}

void TLines::SetDivision(int value) {
  value = std::max(value, 1);
  if (value == division_) return;
  division_ = value;
  MarkStructureDirty();
}

void TLines::SetSplineMode(TLineSplineMode value) {
  if (value == splineMode_) return;
  splineMode_ = value;
  MarkStructureDirty();
}

void TLines::SetOptions(TLinesOptions value) {
  options_ = value;
  MarkStructureDirty();
}

std::unique_ptr<TCubicSpline> TLines::BuildSpline() const {
  std::vector<float> x, y, z;
  for (const auto& node : nodes_) {
    x.push_back(node->X());
    y.push_back(node->Y());
    z.push_back(node->Z());
  }
  return std::make_unique<TCubicSpline>(x, y, z);
}

std::vector<Float3> TLines::StripPoints() const {
  return {};
}

void TLines::NotifyChange(TUpdateAbleObject& sender) {
  TLineBase::NotifyChange(sender);
}

void TLines::BuildGeometry(TRenderPass& /*pass*/) {}

void TLines::DrawNodeMarkers() const {}

}  // namespace nimbrel::scene
