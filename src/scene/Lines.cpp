#include "scene/Lines.h"

#include <GL/gl.h>

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

void TLineBase::SetupLineStyle() const {
  if (linePattern_ != kSolidPattern) {
    glEnable(GL_LINE_STIPPLE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLineStipple(1, linePattern_);
  }
  if (antiAliased_) {
    glEnable(GL_LINE_SMOOTH);
  } else {
    glDisable(GL_LINE_SMOOTH);
  }
  // The renderer refuses a width of 0 with an error; the line keeps the width it inherits.
  if (lineWidth_ > 0) glLineWidth(lineWidth_);
  glColor3f(lineColor_.Red(), lineColor_.Green(), lineColor_.Blue());
}

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

std::vector<TLines::TStripVertex> TLines::StripVertices() const {
  std::vector<TStripVertex> strip;
  const int n = NodeCount();
  if (n < 2) return strip;
  const bool nodeColors = options_.Has(TLinesOption::loUseNodeColorForLines);
  if (division_ > 1 && splineMode_ == TLineSplineMode::lsmCubicSpline) {
    const std::unique_ptr<TCubicSpline> spline = BuildSpline();
    // In 64 bits: a large Division times many nodes must not wrap round.
    const std::int64_t samples = std::int64_t{n - 1} * division_;
    strip.reserve(static_cast<std::size_t>(samples) + 1);
    for (std::int64_t a = 0; a <= samples; ++a) {
      TStripVertex v;
      // a / Division in double lands exactly on the integers, so the samples at the nodes are the
      // nodes themselves.
      spline->EvaluateXYZ(double(a) / division_, v.point.x, v.point.y, v.point.z);
      if (nodeColors) {
        const auto node = static_cast<int>(a / division_);
        if (node >= n - 1) {
          v.color = nodes_.back()->Color().AsFloat4();
        } else {
          Lerp4(Node(node).Color().AsFloat4(), Node(node + 1).Color().AsFloat4(),
                float(a % division_) / float(division_), v.color);
        }
      }
      strip.push_back(v);
    }
  } else {
    strip.reserve(static_cast<std::size_t>(n));
    for (const auto& node : nodes_) strip.push_back({XyzOf(node->AsFloat4()), node->Color().AsFloat4()});
  }
  return strip;
}

std::vector<Float3> TLines::StripPoints() const {
  std::vector<Float3> points;
  for (const TStripVertex& v : StripVertices()) points.push_back(v.point);
  return points;
}

void TLines::NotifyChange(TUpdateAbleObject& sender) {
  if (&sender == &nodeColor_) {
    // Nodes that still follow the line's node colour take the new one; nodes given their own keep it.
    const Float4 previous = previousNodeColor_;
    previousNodeColor_ = nodeColor_.AsFloat4();
    for (auto& node : nodes_) {
      if (Same4(node->Color().AsFloat4(), previous)) node->Color().SetRGBA(nodeColor_.AsFloat4());
    }
  } else if (dynamic_cast<TLinesNode*>(&sender)) {
    NodeChanged();
  }
  TLineBase::NotifyChange(sender);
}

void TLines::BuildGeometry(TRenderPass& /*pass*/) {
  if (NodeCount() < 2) return;
  // A pattern of no bits draws no pixel; nothing is sent rather than trusting every driver's stipple.
  if (LinePattern() != 0) {
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    SetupLineStyle();
    const bool nodeColors = options_.Has(TLinesOption::loUseNodeColorForLines);
    glBegin(GL_LINE_STRIP);
    for (const TStripVertex& v : StripVertices()) {
      if (nodeColors) glColor4f(v.color.x, v.color.y, v.color.z, v.color.w);
      glVertex3f(v.point.x, v.point.y, v.point.z);
    }
    glEnd();
    glPopAttrib();
  }
  if (nodesAspect_ != TLineNodesAspect::lnaInvisible) DrawNodeMarkers();
}

namespace {

void DrawAxes(float half) {
  glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT);
  glDisable(GL_LIGHTING);
  glEnable(GL_LINE_STIPPLE);
  glLineStipple(1, 52428);  // 1100110011001100: dashes, so markers do not read as part of the line
  glBegin(GL_LINES);
  glColor3f(1, 0, 0);
  glVertex3f(-half, 0, 0);
  glVertex3f(half, 0, 0);
  glColor3f(0, 1, 0);
  glVertex3f(0, -half, 0);
  glVertex3f(0, half, 0);
  glColor3f(0, 0, 1);
  glVertex3f(0, 0, -half);
  glVertex3f(0, 0, half);
  glEnd();
  glPopAttrib();
}

void DrawCube(float size) {
  const float h = size / 2;
  // Six faces, each with its outward normal and its corners counter-clockwise from outside.
  static constexpr float kFaces[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  glBegin(GL_QUADS);
  for (const auto& f : kFaces) {
    const Float3 n{f[0], f[1], f[2]};
    // Two axes in the face plane with u x v = n.
    const Float3 u = n.x != 0 ? Float3{0, n.x, 0} : (n.y != 0 ? Float3{0, 0, n.y} : Float3{n.z, 0, 0});
    Float3 v;
    Cross3(n, u, v);
    glNormal3f(n.x, n.y, n.z);
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
      glVertex3f(h * (n.x + c[0] * u.x + c[1] * v.x), h * (n.y + c[0] * u.y + c[1] * v.y),
                 h * (n.z + c[0] * u.z + c[1] * v.z));
    }
  }
  glEnd();
}

// The regular dodecahedron with unit circumradius, drawn as twelve pentagons.
void DrawDodecahedron() {
  const float p = 1.618034f, ip = 0.618034f;
  const float vertices[20][3] = {{1, 1, 1},    {1, 1, -1},   {1, -1, 1},   {1, -1, -1}, {-1, 1, 1},
                                 {-1, 1, -1},  {-1, -1, 1},  {-1, -1, -1}, {0, ip, p},  {0, ip, -p},
                                 {0, -ip, p},  {0, -ip, -p}, {ip, p, 0},   {ip, -p, 0}, {-ip, p, 0},
                                 {-ip, -p, 0}, {p, 0, ip},   {p, 0, -ip},  {-p, 0, ip}, {-p, 0, -ip}};
  static constexpr int kFaces[12][5] = {{0, 8, 10, 2, 16},  {0, 16, 17, 1, 12}, {0, 12, 14, 4, 8},
                                        {1, 17, 3, 11, 9},  {1, 9, 5, 14, 12},  {2, 10, 6, 15, 13},
                                        {2, 13, 3, 17, 16}, {3, 13, 15, 7, 11}, {4, 14, 5, 19, 18},
                                        {4, 18, 6, 10, 8},  {5, 9, 11, 7, 19},  {6, 18, 19, 7, 15}};
  const float scale = 1 / 1.7320508f;  // the cube corners (1, 1, 1) lie at sqrt(3)
  for (const auto& face : kFaces) {
    Float3 centre{};
    for (int i : face) {
      centre.x += vertices[i][0];
      centre.y += vertices[i][1];
      centre.z += vertices[i][2];
    }
    Normalize3(centre);
    glBegin(GL_POLYGON);
    glNormal3f(centre.x, centre.y, centre.z);
    for (int i : face) glVertex3f(vertices[i][0] * scale, vertices[i][1] * scale, vertices[i][2] * scale);
    glEnd();
  }
}

}  // namespace

void TLines::DrawNodeMarkers() const {
  for (const auto& node : nodes_) {
    glPushMatrix();
    glTranslatef(node->X(), node->Y(), node->Z());
    switch (nodesAspect_) {
      case TLineNodesAspect::lnaInvisible:
        break;
      case TLineNodesAspect::lnaAxes:
        DrawAxes(nodeSize_ / 2);
        break;
      case TLineNodesAspect::lnaCube:
        DrawCube(nodeSize_);
        break;
      case TLineNodesAspect::lnaDodecahedron: {
        glPushAttrib(GL_LIGHTING_BIT);
        const Float4& c = node->Color().AsFloat4();
        const GLfloat diffuse[4] = {c.x, c.y, c.z, c.w};
        glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        glScalef(nodeSize_, nodeSize_, nodeSize_);
        DrawDodecahedron();
        glPopAttrib();
        break;
      }
    }
    glPopMatrix();
  }
}

}  // namespace nimbrel::scene
