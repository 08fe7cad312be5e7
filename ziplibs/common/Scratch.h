// A per-thread buffer that only grows. Worker threads reuse it from piece to
// piece instead of allocating (and having the kernel zero) megabytes each time.
#pragma once

#include <cstddef>
#include <memory>

namespace orn::zipfmt {

class Scratch {
 public:
  char* Get(std::size_t size) {
    if (size > size_ || !data_) {
      data_.reset(new char[size ? size : 1]);
      size_ = size;
    }
    return data_.get();
  }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
};

}  // namespace orn::zipfmt
