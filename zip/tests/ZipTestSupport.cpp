#include "ZipTestSupport.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace ziptest {

ScratchDir::ScratchDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/ornzipXXXXXX";
  char* made = ::mkdtemp(pattern.data());
  path_ = made ? made : "";
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {
void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
std::uint32_t Crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char ch : data) {
    crc ^= ch;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}
}  // namespace

std::string MakeZip(const std::vector<MemEntry>& entries, const std::string& comment, const std::string& prefix) {
  std::string body, central;
  for (const MemEntry& e : entries) {
    const std::uint32_t offset = static_cast<std::uint32_t>(body.size());
    const std::uint32_t crc = Crc32(e.data);
    Put32(body, 0x04034b50);
    Put16(body, 10);
    Put16(body, e.flags);
    Put16(body, 0);
    Put16(body, 0);
    Put16(body, 0x21);
    Put32(body, crc);
    Put32(body, static_cast<std::uint32_t>(e.data.size()));
    Put32(body, static_cast<std::uint32_t>(e.data.size()));
    Put16(body, static_cast<unsigned>(e.name.size()));
    Put16(body, 0);
    body += e.name + e.data;

    Put32(central, 0x02014b50);
    central += static_cast<char>(e.madeBy);
    central += static_cast<char>(e.host);
    Put16(central, 10);
    Put16(central, e.flags);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0x21);
    Put32(central, crc);
    Put32(central, static_cast<std::uint32_t>(e.data.size()));
    Put32(central, static_cast<std::uint32_t>(e.data.size()));
    Put16(central, static_cast<unsigned>(e.name.size()));
    Put16(central, 0);
    Put16(central, static_cast<unsigned>(e.comment.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, e.externalAttr);
    Put32(central, offset);
    central += e.name + e.comment;
  }
  std::string end;
  Put32(end, 0x06054b50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, static_cast<unsigned>(entries.size()));
  Put16(end, static_cast<unsigned>(entries.size()));
  Put32(end, static_cast<std::uint32_t>(central.size()));
  Put32(end, static_cast<std::uint32_t>(body.size()));
  Put16(end, static_cast<unsigned>(comment.size()));
  return prefix + body + central + end + comment;
}

void MessageLog::Attach(TZipEngine& zip) {
  zip.OnMessage = [this](TZipEngine& sender, int errCode, const std::string& text) {
    idents.push_back(errCode != 0 ? errCode : sender.LastErrCode());
    texts.push_back(text);
  };
}

bool MessageLog::Has(int ident) const {
  for (int i : idents)
    if (i == ident) return true;
  return false;
}

InstalledDialogs::InstalledDialogs() {
  auto service = std::make_unique<orn::ScriptedDialogService>();
  service_ = service.get();
  previous_ = orn::SetDialogs(std::move(service));
}

InstalledDialogs::~InstalledDialogs() { orn::SetDialogs(std::move(previous_)); }

std::optional<std::string> ScriptedDialogs::AskPassword(const std::string&, const std::string& prompt) {
  asked.push_back("password: " + prompt);
  if (passwords.empty()) return std::nullopt;
  std::optional<std::string> answer = passwords.front();
  passwords.pop_front();
  return answer;
}

orn::ZipQuestions::Overwrite ScriptedDialogs::AskOverwrite(const std::string& file, bool, bool, bool) {
  asked.push_back("overwrite: " + file);
  if (overwrites.empty()) return Overwrite::Skip;
  const Overwrite answer = overwrites.front();
  overwrites.pop_front();
  return answer;
}

std::string FakeDir(const std::string& name) { return std::string(ZIP_FAKE_DIR) + "/" + name; }

bool SetFakeHook(const std::string& libraryPath, FakeHook hook) {
  void* handle = ::dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!handle) return false;
  auto set = reinterpret_cast<void (*)(FakeHook)>(::dlsym(handle, "FakeSetHook"));
  if (set) set(hook);
  ::dlclose(handle);
  return set != nullptr;
}

}  // namespace ziptest
