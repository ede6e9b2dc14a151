#include "scene/SharedDisplayLists.h"

#include <GL/gl.h>

#include <QOpenGLContext>
#include <vector>

#include "scene/SceneErrors.h"

namespace nimbrel::scene {

namespace {

QOpenGLContextGroup* CurrentShareGroup() {
  QOpenGLContext* context = QOpenGLContext::currentContext();
  return context ? context->shareGroup() : nullptr;
}

// Whether the list's group is gone: its name can then never be called or deleted again.
bool GroupGone(const TSharedDisplayLists::TList& list) noexcept {
  return list.hadGroup && !list.group;
}

// Whether the current context may delete the list: deleting a name in another group would delete
// someone else's list.
bool OwnGroupCurrent(const TSharedDisplayLists::TList& list) {
  return list.hadGroup ? (list.group && CurrentShareGroup() == list.group.data())
                       : QOpenGLContext::currentContext() == nullptr;
}

}  // namespace

TSharedDisplayLists::~TSharedDisplayLists() {
  ForgetAll();
}

TSharedDisplayLists::TReference TSharedDisplayLists::Acquire(const std::string& key,
                                                             const std::function<void()>& build) {
  QOpenGLContextGroup* const group = CurrentShareGroup();
  TKey fullKey{group, key};
  const auto found = lists_.find(fullKey);
  if (found != lists_.end()) {
    // A group destroyed and another made at the same address: the old list is not this group's.
    if (!GroupGone(*found->second)) {
      ++found->second->users;
      return found->second;
    }
    Forget(*found->second);
    lists_.erase(found);
  }
  Purge();

  const unsigned name = glGenLists(1);
  SceneAssert(name != 0, "TSharedDisplayLists: the renderer gave no display list name");
  glNewList(name, GL_COMPILE);
  try {
    build();
  } catch (...) {
    glEndList();
    glDeleteLists(name, 1);
    throw;
  }
  glEndList();

  auto list = std::make_shared<TList>();
  list->name = name;
  list->users = 1;
  list->owner = this;
  list->key = fullKey;
  list->group = group;
  list->hadGroup = group != nullptr;
  lists_.emplace(std::move(fullKey), list);
  return list;
}

unsigned TSharedDisplayLists::Name(const TReference& reference) noexcept {
  return reference ? reference->name : 0;
}

void TSharedDisplayLists::Release(TReference& reference, bool contextGone) {
  if (!reference) return;
  const TReference list = std::move(reference);
  reference.reset();
  if (--list->users > 0 || !list->owner) return;
  TSharedDisplayLists& owner = *list->owner;
  if (GroupGone(*list)) {
    owner.Forget(*list);
    owner.lists_.erase(list->key);
  } else if (!contextGone && OwnGroupCurrent(*list)) {
    glDeleteLists(list->name, 1);
    owner.Forget(*list);
    owner.lists_.erase(list->key);
  }
  // Otherwise it stays, unused, until a context of its group can delete it.
}

void TSharedDisplayLists::Purge() {
  std::vector<TKey> done;
  for (const auto& [key, list] : lists_) {
    if (GroupGone(*list)) {
      done.push_back(key);
    } else if (list->users <= 0 && OwnGroupCurrent(*list)) {
      glDeleteLists(list->name, 1);
      done.push_back(key);
    }
  }
  for (const TKey& key : done) {
    Forget(*lists_.at(key));
    lists_.erase(key);
  }
}

void TSharedDisplayLists::ReleaseAll(bool contextGone) {
  if (!contextGone) Purge();
  ForgetAll();
}

void TSharedDisplayLists::ForgetAll() noexcept {
  for (auto& entry : lists_) Forget(*entry.second);
  lists_.clear();
}

void TSharedDisplayLists::Forget(TList& list) noexcept {
  list.owner = nullptr;
  list.name = 0;
}

}  // namespace nimbrel::scene
