// Adding: what TZipEngine::Add does. The compression library writes the
// archive (or, for volumes and new self-extractors, a temporary zip that is
// then split over the volumes or put behind the stub).
#pragma once

class TZipEngine;

namespace orn {

class ZipAdder {
 public:
  explicit ZipAdder(TZipEngine& engine) : engine_(engine) {}

  void Add();
  bool Running() const { return running_; }

 private:
  TZipEngine& engine_;
  bool running_ = false;
};

}  // namespace orn
