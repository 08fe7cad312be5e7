#include "AddPlan.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "DosTime.h"

namespace orn::zipfmt {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::vector<std::string> SplitSuffixes(const std::string& list) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i <= list.size()) {
    std::size_t j = list.find(':', i);
    if (j == std::string::npos) j = list.size();
    std::string s = Lower(list.substr(i, j - i));
    if (!s.empty()) out.push_back(s[0] == '.' ? s : "." + s);
    i = j + 1;
  }
  return out;
}

AddPlan PlanAdd(const std::vector<ZipDirEntry>& old, std::vector<FileToAdd>& files, bool update, bool freshen,
                const std::vector<std::string>& storeSuffixes) {
  freshen = freshen && !update;
  std::unordered_map<std::string, std::size_t> oldIndex;
  for (std::size_t i = 0; i < old.size(); ++i) oldIndex.emplace(old[i].Name, i);
  std::vector<FileToAdd*> replacing(old.size(), nullptr);
  std::vector<FileToAdd*> appended;
  for (FileToAdd& f : files) {
    auto it = oldIndex.find(f.storedName);
    if (it == oldIndex.end()) {
      if (!freshen) appended.push_back(&f);
      continue;
    }
    if ((freshen || update) && ToDosDateTime(f.mtime) <= old[it->second].DosDateTime()) continue;
    replacing[it->second] = &f;
  }

  AddPlan plan;
  auto addItem = [&](FileToAdd* f) {
    WriteItem w;
    w.add = f;
    const std::string lower = Lower(f->storedName);
    w.store = std::any_of(storeSuffixes.begin(), storeSuffixes.end(),
                          [&](const std::string& s) { return EndsWith(lower, s); });
    plan.items.push_back(w);
    plan.totalBytes += std::int64_t(f->size);
    ++plan.newCount;
  };
  for (std::size_t i = 0; i < old.size(); ++i) {
    if (replacing[i]) {
      addItem(replacing[i]);
    } else {
      WriteItem w;
      w.keep = &old[i];
      plan.items.push_back(w);
    }
  }
  for (FileToAdd* f : appended) addItem(f);
  return plan;
}

}  // namespace orn::zipfmt
