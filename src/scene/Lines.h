#pragma once
// Unlit polylines: straight from node to node or a cubic spline sampled between the nodes. The orbit
// line, the graticule and the satellite trails are lines. LinePattern is the stipple; 0 draws no pixel
// (the program's way of switching a line off without losing it), 65535 a solid line.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "scene/Color.h"
#include "scene/CustomSceneObject.h"
#include "scene/Spline.h"

namespace nimbrel::scene {

enum class TLineNodesAspect { lnaInvisible, lnaAxes, lnaCube, lnaDodecahedron };
enum class TLineSplineMode { lsmLines, lsmCubicSpline };
enum class TLinesOption : std::uint32_t { loUseNodeColorForLines };

// A set of TLinesOption.
class TLinesOptions {
 public:
  constexpr TLinesOptions() noexcept = default;
  constexpr TLinesOptions(std::initializer_list<TLinesOption> options) noexcept {
    for (TLinesOption option : options) bits_ |= Bit(option);
  }
  constexpr bool Has(TLinesOption option) const noexcept { return (bits_ & Bit(option)) != 0; }
  friend constexpr bool operator==(TLinesOptions, TLinesOptions) noexcept = default;

 private:
  static constexpr std::uint32_t Bit(TLinesOption option) noexcept {
    return std::uint32_t{1} << static_cast<std::uint32_t>(option);
  }
  std::uint32_t bits_ = 0;
};

// The colour, stipple and width every line has.
class TLineBase : public TCustomSceneObject {
 public:
  static constexpr std::uint16_t kSolidPattern = 0xFFFF;

  TLineBase();

  TColor& LineColor() noexcept { return lineColor_; }
  const TColor& LineColor() const noexcept { return lineColor_; }
  void SetLineColor(const Float4& rgba) { lineColor_.SetRGBA(rgba); }
  std::uint16_t LinePattern() const noexcept { return linePattern_; }
  void SetLinePattern(std::uint16_t value);
  float LineWidth() const noexcept { return lineWidth_; }
  void SetLineWidth(float value);  // non-finite or below 0 are ignored
  bool AntiAliased() const noexcept { return antiAliased_; }
  void SetAntiAliased(bool value);

 protected:
  // Stipple, smoothing, width and colour for the strip; the caller has saved the renderer's state.
  void SetupLineStyle() const;

 private:
  TColor lineColor_;
  std::uint16_t linePattern_ = kSolidPattern;
  float lineWidth_ = 1;
  bool antiAliased_ = false;
};

class TLines;

// One node of a line: a point (W kept at 1) and a colour that follows the line's NodeColor until the
// node is given its own.
class TLinesNode : public TUpdateAbleObject {
 public:
  TLinesNode(TLines& owner, const Float4& point, const Float4& color);

  float X() const noexcept { return point_.x; }
  float Y() const noexcept { return point_.y; }
  float Z() const noexcept { return point_.z; }
  float W() const noexcept { return point_.w; }
  void SetX(float value);
  void SetY(float value);
  void SetZ(float value);
  // All four components at once (one rebuild for the lot).
  void AssignComponents(const Float4& value);
  const Float4& AsFloat4() const noexcept { return point_; }
  TColor& Color() noexcept { return color_; }
  const TColor& Color() const noexcept { return color_; }

  TBaseSceneObject* AsSceneObject() noexcept override;

 private:
  void Store(const Float4& value);

  Float4 point_;
  TColor color_;
};

class TLines : public TLineBase {
 public:
  TLines();
  ~TLines() override;

  // --- Nodes ---
  int NodeCount() const noexcept { return static_cast<int>(nodes_.size()); }
  TLinesNode& Node(int index);  // out of range: EAssertionFailed
  const TLinesNode& Node(int index) const;
  TLinesNode& AppendNode(float x, float y, float z);
  void DeleteNode(int index);
  void ClearNodes();
  // Holds the rebuild requests of many node edits back to one.
  void BeginNodesUpdate() noexcept { ++nodesUpdate_; }
  void EndNodesUpdate();
  // Called by a node when it changed.
  void NodeChanged();

  // --- Look ---
  TColor& NodeColor() noexcept { return nodeColor_; }
  const TColor& NodeColor() const noexcept { return nodeColor_; }
  TLineNodesAspect NodesAspect() const noexcept { return nodesAspect_; }
  void SetNodesAspect(TLineNodesAspect value);
  float NodeSize() const noexcept { return nodeSize_; }
  void SetNodeSize(float value);  // 0 or less (or not finite) becomes 1
  int Division() const noexcept { return division_; }
  void SetDivision(int value);  // below 1 becomes 1
  TLineSplineMode SplineMode() const noexcept { return splineMode_; }
  void SetSplineMode(TLineSplineMode value);
  TLinesOptions Options() const noexcept { return options_; }
  void SetOptions(TLinesOptions value);

  // The spline through the nodes' X, Y and Z at t = node index (caller owns it).
  std::unique_ptr<TCubicSpline> BuildSpline() const;
  // The points the strip goes through, in order: the nodes, or the spline sampled Division times per
  // span. Fewer than two nodes give none.
  std::vector<Float3> StripPoints() const;

  void NotifyChange(TUpdateAbleObject& sender) override;

 protected:
  void BuildGeometry(TRenderPass& pass) override;

 private:
  struct TStripVertex {
    Float3 point;
    Float4 color{};
  };
  std::vector<TStripVertex> StripVertices() const;
  void DrawNodeMarkers() const;

  std::vector<std::unique_ptr<TLinesNode>> nodes_;
  TColor nodeColor_;
  Float4 previousNodeColor_;
  TLineNodesAspect nodesAspect_ = TLineNodesAspect::lnaAxes;
  float nodeSize_ = 1;
  int division_ = 10;
  TLineSplineMode splineMode_ = TLineSplineMode::lsmLines;
  TLinesOptions options_;
  int nodesUpdate_ = 0;
};

}  // namespace nimbrel::scene
