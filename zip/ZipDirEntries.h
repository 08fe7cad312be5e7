// DirEntries: the engine's list of the archive's entries as the component
// publishes it (folders left out unless UseDirOnlyEntries), a view over the
// whole directory the engine read once. The engine chooses and hands over
// entries by their place in the whole directory; DirectoryIndex tells it
// for a place in this list.
#pragma once

#include <cstddef>
#include <iterator>
#include <vector>

#include "ZipDirEntry.h"

class ZipDirEntries {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = ZipDirEntry;
    using difference_type = std::ptrdiff_t;
    using pointer = const ZipDirEntry*;
    using reference = const ZipDirEntry&;

    const_iterator(const ZipDirEntries* list, std::size_t at) : list_(list), at_(at) {}
    reference operator*() const { return (*list_)[at_]; }
    pointer operator->() const { return &(*list_)[at_]; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator==(const const_iterator& o) const { return at_ == o.at_; }
    bool operator!=(const const_iterator& o) const { return at_ != o.at_; }

   private:
    const ZipDirEntries* list_;
    std::size_t at_;
  };

  // The whole directory `all`, of which the entries at `kept` are listed;
  // every entry when `keepAll`.
  void Assign(const std::vector<ZipDirEntry>* all, std::vector<std::size_t> kept, bool keepAll) {
    all_ = all;
    kept_ = std::move(kept);
    keepAll_ = keepAll;
  }
  void Clear() { Assign(nullptr, {}, true); }

  std::size_t size() const { return keepAll_ ? (all_ ? all_->size() : 0) : kept_.size(); }
  bool empty() const { return size() == 0; }
  const ZipDirEntry& operator[](std::size_t i) const { return (*all_)[DirectoryIndex(i)]; }
  const ZipDirEntry& front() const { return (*this)[0]; }
  const ZipDirEntry& back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // Where the listed entry `i` is in the whole directory.
  std::size_t DirectoryIndex(std::size_t i) const { return keepAll_ ? i : kept_[i]; }

 private:
  const std::vector<ZipDirEntry>* all_ = nullptr;
  std::vector<std::size_t> kept_;
  bool keepAll_ = true;
};
