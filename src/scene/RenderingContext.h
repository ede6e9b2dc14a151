#pragma once
// The activation counter every viewer goes through before it touches the renderer. Activations nest:
// the first makes the context current, the last releases it, and the ones in between must name the
// same surface/context pair, so that code which asks for "the scene's context" while a frame is being
// drawn never switches the renderer under that frame.
//
// One counter for the process: all rendering happens on the user-interface thread, and only one
// context can be current there at a time.

#include <functional>

namespace nimbrel::scene {

// surface and context identify the pair (for the assertions only; they are never dereferenced).
// makeCurrent runs on the first activation and answers whether the context is now current;
// doneCurrent runs when the last activation is released and answers whether that worked.
void ActivateRenderingContext(const void* surface, const void* context,
                              const std::function<bool()>& makeCurrent, std::function<bool()> doneCurrent);
void DeactivateRenderingContext();
int RenderingContextActivations() noexcept;
// Whether the context is current through the counter right now.
bool RenderingContextActive(const void* context) noexcept;
// Called before a context is deleted: it must not be in use.
void CheckRenderingContextDestroyable(const void* context);

}  // namespace nimbrel::scene
