#pragma once
// Display lists that many objects call from their own lists: a geometry compiled once per share group
// and key (a sphere's tessellation, say) instead of once per object. Each list counts its users; the
// last one to let go deletes it when its context is current, otherwise it waits, unused but still
// valid, for the next chance. A lost context takes every list with it: they are forgotten, never
// called again.
//
// A list's name means something only to the contexts of its share group, so the group is part of the
// key: a context of another group gets a list of its own.

#include <QPointer>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

class QOpenGLContextGroup;

namespace nimbrel::scene {

class TSharedDisplayLists {
 public:
  struct TList;
  // Held by a user for as long as its own list calls the shared one.
  using TReference = std::shared_ptr<TList>;

  TSharedDisplayLists() = default;
  // Forgets the lists: the owner gives them back (ReleaseAll) while it still has a context.
  ~TSharedDisplayLists();
  TSharedDisplayLists(const TSharedDisplayLists&) = delete;
  TSharedDisplayLists& operator=(const TSharedDisplayLists&) = delete;

  // With a context current and no list being compiled: the list for the key in the current context's
  // share group, compiled by `build` when there is none yet, with one more user. A renderer that hands
  // out no name is an EAssertionFailed; when `build` throws nothing is kept.
  TReference Acquire(const std::string& key, const std::function<void()>& build);
  // The list's name (0 for no reference).
  static unsigned Name(const TReference& reference) noexcept;
  // One user fewer, and the reference is cleared. The last user deletes the list when its group's
  // context is current and contextGone is false.
  static void Release(TReference& reference, bool contextGone);

  // Deletes (with contextGone, only forgets) every list whose users are gone, and forgets the rest.
  void ReleaseAll(bool contextGone);
  // The context went with its lists: none of them may be called or deleted any more.
  void ForgetAll() noexcept;

  // Lists kept, in use or waiting to be deleted.
  std::size_t Count() const noexcept { return lists_.size(); }

 private:
  using TKey = std::pair<const QOpenGLContextGroup*, std::string>;
  // Deletes the unused lists of the current group and forgets those of groups that no longer exist.
  void Purge();
  void Forget(TList& list) noexcept;

  std::map<TKey, TReference> lists_;
};

struct TSharedDisplayLists::TList {
  unsigned name = 0;
  int users = 0;
  TSharedDisplayLists* owner = nullptr;  // null once forgotten: the name is dead
  TKey key;
  QPointer<QOpenGLContextGroup> group;
  bool hadGroup = false;
};

}  // namespace nimbrel::scene
