#include "EZipEngine.h"

#include "ZipMessages.h"

EZipEngine::EZipEngine(int ident) : std::runtime_error(orn::ZipMessageText(ident)), ident_(ident), display_(true) {}

EZipEngine::EZipEngine(int ident, long long value)
    : std::runtime_error(orn::FormatZipMessage(orn::ZipMessageText(ident), std::to_string(value))),
      ident_(ident),
      display_(true) {}

EZipEngine::EZipEngine(int ident, const std::string& value)
    : std::runtime_error(orn::FormatZipMessage(orn::ZipMessageText(ident), value)), ident_(ident), display_(true) {}

EZipEngine::EZipEngine(int ident, const std::string& text, bool display)
    : std::runtime_error(text), ident_(ident), display_(display) {}
