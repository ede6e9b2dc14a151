#include "scene/RenderPass.h"

#include <GL/gl.h>

namespace nimbrel::scene {

unsigned TRenderStates::GLCapability(TRenderState state) noexcept {
  switch (state) {
    case TRenderState::stAlphaTest:
      return GL_ALPHA_TEST;
    case TRenderState::stAutoNormal:
      return GL_AUTO_NORMAL;
    case TRenderState::stBlend:
      return GL_BLEND;
    case TRenderState::stColorMaterial:
      return GL_COLOR_MATERIAL;
    case TRenderState::stCullFace:
      return GL_CULL_FACE;
    case TRenderState::stDepthTest:
      return GL_DEPTH_TEST;
    case TRenderState::stDither:
      return GL_DITHER;
    case TRenderState::stFog:
      return GL_FOG;
    case TRenderState::stLighting:
      return GL_LIGHTING;
    case TRenderState::stLineSmooth:
      return GL_LINE_SMOOTH;
    case TRenderState::stLineStipple:
      return GL_LINE_STIPPLE;
    case TRenderState::stColorLogicOp:
      return GL_COLOR_LOGIC_OP;
    case TRenderState::stNormalize:
      return GL_NORMALIZE;
    case TRenderState::stPointSmooth:
      return GL_POINT_SMOOTH;
    case TRenderState::stPolygonSmooth:
      return GL_POLYGON_SMOOTH;
    case TRenderState::stPolygonStipple:
      return GL_POLYGON_STIPPLE;
    case TRenderState::stScissorTest:
      return GL_SCISSOR_TEST;
    case TRenderState::stStencilTest:
      return GL_STENCIL_TEST;
    case TRenderState::stTexture1D:
      return GL_TEXTURE_1D;
    case TRenderState::stTexture2D:
      return GL_TEXTURE_2D;
  }
  return GL_TEXTURE_2D;
}

void TRenderStates::Enable(TRenderState state) {
  if (Has(state)) return;
  glEnable(GLCapability(state));
  Record(state);
}

void TRenderStates::Disable(TRenderState state) {
  if (!Has(state)) return;
  glDisable(GLCapability(state));
  Forget(state);
}

}  // namespace nimbrel::scene
