#include "ZipLibHarness.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace ziplibtest {

int32_t Recorder::Callback(OrnCallbackStruct* rec) {
  auto* self = static_cast<Recorder*>(rec->Caller);
  self->threads.push_back(std::this_thread::get_id());
  self->reports.push_back({rec->ActionCode, rec->ErrorCode, rec->FileSize, rec->FileNameOrMsg});
  switch (rec->ActionCode) {
    case ORN_CB_ITEM_START:
      if (self->itemStarts++ == self->stopAtItem) {
        if (self->dieAtStop) ::_exit(9);
        return -1;
      }
      break;
    case ORN_CB_PASSWORD: {
      std::string answer = self->passwordAnswer;
      if (!self->passwordAnswers.empty()) {
        answer = self->passwordAnswers.front();
        self->passwordAnswers.erase(self->passwordAnswers.begin());
      }
      std::snprintf(rec->FileNameOrMsg, sizeof rec->FileNameOrMsg, "%s", answer.c_str());
      rec->ErrorCode = answer.empty() ? 0 : 1;
      if (answer.empty()) rec->FileSize = 0;
      break;
    }
    case ORN_CB_OVERWRITE:
      if (self->overwriteAnswer >= 0) rec->FileSize = self->overwriteAnswer;
      break;
    default:
      break;
  }
  return 0;
}

std::vector<std::string> Recorder::Texts(int action) const {
  std::vector<std::string> out;
  for (const auto& r : reports)
    if (r.action == action) out.push_back(r.text);
  return out;
}

std::vector<Report> Recorder::Of(int action) const {
  std::vector<Report> out;
  for (const auto& r : reports)
    if (r.action == action) out.push_back(r);
  return out;
}

void ZipLibTest::SetUp() {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/ziplibtestXXXXXX";
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  dir_ = tmpl;
  zipLib_ = ::dlopen(ORN_BIN_DIR "/libornzip.so", RTLD_NOW | RTLD_LOCAL);
  unzLib_ = ::dlopen(ORN_BIN_DIR "/libornunz.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(zipLib_, nullptr) << ::dlerror();
  ASSERT_NE(unzLib_, nullptr) << ::dlerror();
  zipExec_ = reinterpret_cast<OrnZipExecFunc>(::dlsym(zipLib_, ORN_ZIPEXEC_NAME));
  unzExec_ = reinterpret_cast<OrnUnzExecFunc>(::dlsym(unzLib_, ORN_UNZEXEC_NAME));
  ASSERT_NE(zipExec_, nullptr);
  ASSERT_NE(unzExec_, nullptr);
  auto zv = reinterpret_cast<GetOrnZipVersionFunc>(::dlsym(zipLib_, ORN_GETZIPVERSION_NAME));
  auto uv = reinterpret_cast<GetOrnUnzVersionFunc>(::dlsym(unzLib_, ORN_GETUNZVERSION_NAME));
  ASSERT_TRUE(zv && uv);
  EXPECT_EQ(zv(), ORN_ZIPLIB_VERSION);
  EXPECT_EQ(uv(), ORN_UNZLIB_VERSION);
}

void ZipLibTest::TearDown() {
  if (!dir_.empty()) Run("chmod -R u+rwx " + Quote(dir_) + " 2>/dev/null; rm -rf " + Quote(dir_));
}

int ZipLibTest::Add(const std::string& archive, const std::vector<AddLine>& lines, const AddOptions& o, Recorder& rec) {
  std::vector<OrnZipFileData> fds(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    fds[i].fFileSpec = lines[i].pattern.c_str();
    fds[i].fRecurse = lines[i].recurse ? -1 : 0;
    fds[i].fPassword = lines[i].password.empty() ? nullptr : lines[i].password.c_str();
    fds[i].fEncrypt = lines[i].password.empty() ? 0 : 65535;
    fds[i].fRootDir = lines[i].rootDir.empty() ? nullptr : lines[i].rootDir.c_str();
  }
  std::vector<const char*> ex;
  for (const auto& e : o.excludes) ex.push_back(e.c_str());
  OrnZipParams p{};
  p.Caller = &rec;
  p.Version = ORN_ZIP_INTERFACE_VERSION;
  p.ZCallbackFunc = &Recorder::Callback;
  p.pSuffix = o.suffixes.empty() ? nullptr : o.suffixes.c_str();
  p.fSystem = o.hidden ? -1 : 0;
  p.fNoDirEntries = o.dirEntries ? 0 : -1;
  p.fQuiet = -1;
  p.fLevel = o.level;
  p.fJunkDir = o.junkDirs ? -1 : 0;
  p.fGrow = -1;
  p.fMove = o.move ? -1 : 0;
  p.fUpdate = o.update ? -1 : 0;
  p.fFreshen = o.freshen ? -1 : 0;
  p.fLatestTime = o.zipTime ? -1 : 0;
  p.fStoreLinks = o.storeLinks ? -1 : 0;
  p.fBest = o.best ? -1 : 0;
  p.AesStrength = o.aesStrength;
  p.Argc = int32_t(fds.size());
  p.pZipFN = archive.c_str();
  p.pTempDir = o.tempDir.empty() ? nullptr : o.tempDir.c_str();
  p.FDs = fds.data();
  p.TotExFileSpecs = int32_t(ex.size());
  p.ExFiles = ex.data();
  p.fSeven = ORN_BLOCK_END_MARK;
  return zipExec_(&p);
}

int ZipLibTest::Extract(const std::string& archive, const std::string& baseDir, const ExtractOptions& o,
                        Recorder& rec) {
  std::vector<OrnUnzipFileData> fds(o.names.size());
  for (std::size_t i = 0; i < o.names.size(); ++i) fds[i].fFileSpec = o.names[i].c_str();
  OrnUnzipParams p{};
  p.Caller = &rec;
  p.Version = ORN_ZIP_INTERFACE_VERSION;
  p.ZCallbackFunc = &Recorder::Callback;
  p.pZipPassword = o.password.empty() ? nullptr : o.password.c_str();
  p.fTest = o.test ? -1 : 0;
  p.fQuiet = -1;
  p.fUpdate = o.update ? -1 : 0;
  p.fFreshen = o.freshen ? -1 : 0;
  p.fDirectories = o.dirNames ? -1 : 0;
  p.fOverwrite = o.overwrite ? -1 : 0;
  p.Argc = int32_t(fds.size());
  p.pZipFN = archive.c_str();
  p.FDs = fds.data();
  p.fPWReqCount = o.passwordRequests;
  p.fSeven = ORN_BLOCK_END_MARK;
  p.ExtrBaseDir = baseDir.c_str();
  return unzExec_(&p);
}

void ZipLibTest::Write(const std::string& rel, const std::string& content, std::int64_t mtime) {
  std::string path = Path(rel);
  Run("mkdir -p " + Quote(path.substr(0, path.rfind('/'))));
  std::ofstream(path, std::ios::binary) << content;
  if (mtime) {
    struct timespec t[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), t, 0);
  }
}

std::string ZipLibTest::Read(const std::string& path) const {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool ZipLibTest::Exists(const std::string& path) const {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool ZipLibTest::HaveTool(const std::string& tool) { return Run("command -v " + tool + " >/dev/null 2>&1") == 0; }

std::string ZipLibTest::Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

int ZipLibTest::Run(const std::string& command, std::string* output) {
  FILE* f = ::popen((command + " 2>&1").c_str(), "r");
  if (!f) return -1;
  std::string out;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, f)) out.append(buf, n);
  int status = ::pclose(f);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ZipLibTest::Python(const std::string& code, const std::vector<std::string>& args, std::string* output) {
  std::string cmd = "python3 -c " + Quote(code);
  for (const auto& a : args) cmd += " " + Quote(a);
  return Run(cmd, output);
}

}  // namespace ziplibtest
