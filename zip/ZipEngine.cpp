// The component's properties, its reporting and the published operations,
// each handed to the class that does it.
#include "ZipEngine.h"

#include <unistd.h>

#include <cstdlib>
#include <new>
#include <stdexcept>

#include "CodePage.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "NameCharset.h"
#include "SfxMaker.h"
#include "ZipAdder.h"
#include "ZipExtractor.h"
#include "ZipLister.h"
#include "ZipMessages.h"

TZipEngine::TZipEngine()
    : lister_(std::make_unique<orn::ZipLister>(*this)),
      extractor_(std::make_unique<orn::ZipExtractor>(*this)),
      adder_(std::make_unique<orn::ZipAdder>(*this)) {}

TZipEngine::~TZipEngine() {
  zipLib_.Unload();
  unzLib_.Unload();
}

void TZipEngine::SetZipFileName(const std::string& v) {
  zipFileName_ = v;
  List();
}

orn::NameDecoding TZipEngine::NamesDecoding() const {
  orn::NameDecoding names{codePage_, orn::CharsetToOemCodePage(namesCharset_), orn::CharsetToCodePage(namesCharset_)};
  names.chosenCodePage = namesCodePage_;
  names.detect = codePage_ == cpAuto;
  names.detector = &orn::DetectNamesCodePage;
  return names;
}

void TZipEngine::SetRootDir(const std::string& v) { rootDir_ = v.empty() ? v : orn::IncludeTrailingDelimiter(v); }

void TZipEngine::ShowZipMessage(int ident, const std::string& detail) {
  // A text with a place for a value gets the detail there, never a bare "%d".
  const std::string resource = orn::ZipMessageText(ident);
  std::string text = resource + detail;
  if (resource.find('%') != std::string::npos)
    text = orn::FormatZipMessage(resource, detail.rfind(": ", 0) == 0 ? detail.substr(2) : detail);
  lastMessage_ = text;
  lastErrCode_ = ident;
  lastFullErrCode_ = ident;
  if (!unattended_ && questions_) questions_->ShowMessage(text);
  if (OnMessage) OnMessage(*this, 0, text);
}

void TZipEngine::ShowExceptionError(const EZipEngine& error) {
  lastMessage_ = error.what();
  lastErrCode_ = error.Ident();
  lastFullErrCode_ = error.Ident();
  if (error.Display() && !unattended_ && questions_) questions_->ShowMessage(lastMessage_);
  if (OnMessage) OnMessage(*this, 0, lastMessage_);
}

bool TZipEngine::Guarded(const std::function<void()>& step, int otherIdent, const std::string& suffix) {
  try {
    step();
    return true;
  } catch (const EZipEngine& e) {
    ShowExceptionError(suffix.empty() ? e : EZipEngine(e.Ident(), e.what() + suffix, e.Display()));
  } catch (const std::bad_alloc&) {
    ShowZipMessage(orn::kZipOutOfMemory, suffix);
  } catch (const std::exception& e) {
    const std::string text = orn::ZipMessageText(otherIdent);
    const bool joined = text.size() >= 2 && text.compare(text.size() - 2, 2, ": ") == 0;
    ShowZipMessage(otherIdent, (joined ? "" : ": ") + std::string(e.what()) + suffix);
  }
  return false;
}

void TZipEngine::LetWindowsRun() {
  if (questions_) questions_->LetWindowsRun();
}

std::string TZipEngine::TemporaryZipName() {
  std::string dir;
  if (!tempDir_.empty()) {
    tempDir_ = orn::IncludeTrailingDelimiter(tempDir_);
    dir = tempDir_;
  } else {
    const char* tmp = std::getenv("TMPDIR");
    dir = orn::IncludeTrailingDelimiter(tmp && *tmp ? tmp : "/tmp");
  }
  // The program's one temporary name: what a killed job leaves here is
  // known for a leftover by the next job that writes in this folder.
  std::string name;
  for (int attempt = 0; attempt < 16 && (name.empty() || orn::PathExists(name)); ++attempt)
    name = orn::TemporaryNameBeside(dir + "zip.zip");
  if (orn::PathExists(name)) throw EZipEngine(orn::kZipNoTempName);
  return name;
}

// --- the published operations ---------------------------------------------------

void TZipEngine::List() { lister_->List(); }
const ZipDirEntries& TZipEngine::DirEntries() const { return lister_->Entries(); }
const orn::ZipDirectoryInfo& TZipEngine::Listed() const { return lister_->Directory().info; }

void TZipEngine::SetAddAesKeyBits(int bits) {
  if (bits != 0 && bits != 128 && bits != 192 && bits != 256)
    throw std::invalid_argument("AES keys have 128, 192 or 256 bits, not " + std::to_string(bits));
  addAesKeyBits_ = bits;
}

void TZipEngine::Add() { adder_->Add(); }
bool TZipEngine::AddRunning() const { return adder_->Running(); }

void TZipEngine::Extract() {
  // The lines are used up by every call, whatever its outcome.
  std::vector<std::string> lines;
  lines.swap(FSpecArgs);
  extractor_->Extract(lines);
}

void TZipEngine::ExtractEntries(const std::vector<std::size_t>& listed) {
  FSpecArgs.clear();
  extractor_->ExtractListed(listed);
}

bool TZipEngine::ExtractRunning() const { return extractor_->Running(); }

std::string TZipEngine::SkipReason(const std::string& forFile, UnZipSkipTypes type) const {
  return extractor_->SkipReason(forFile, type);
}

int TZipEngine::ConvertToSFX() { return orn::SfxMaker(*this).Convert(); }
