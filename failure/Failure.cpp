#include "failure/Failure.h"

#include <new>
#include <utility>

namespace lum {

std::string StandardDescription(int number) {
  switch (number) {
    case err::kInvalidCall:
      return "Neplatné volání procedury nebo neplatný argument";
    case err::kOverflow:
      return "Přetečení";
    case err::kOutOfMemory:
      return "Nedostatek paměti";
    case err::kSubscriptOutOfRange:
      return "Index je mimo rozsah";
    case err::kFileNotFound:
      return "Soubor nebyl nalezen";
    case err::kDeviceIo:
      return "Chyba vstupu/výstupu zařízení";
    case err::kDiskFull:
      return "Disk je plný";
    case err::kPermissionDenied:
      return "Přístup byl odepřen";
    case err::kPathFileAccess:
      return "Chyba přístupu k cestě nebo souboru";
    case err::kPathNotFound:
      return "Cesta nebyla nalezena";
    case err::kBadFileFormat:
      return "Neplatný formát souboru";
    case err::kNoSuchProperty:
      return "Objekt tuto vlastnost ani metodu nepodporuje";
    case err::kNotBase64:
      return "Input string is not valid Base64.";
    default:
      return "Chyba definovaná aplikací nebo objektem";
  }
}

Failure::Failure(int number, std::string source, const std::string& description)
    : std::runtime_error(description), number_(number), source_(std::move(source)) {}

Failure::Failure(int number, std::string source) : Failure(number, std::move(source), StandardDescription(number)) {}

Failure CaughtFailure(std::string source) {
  try {
    throw;
  } catch (const Failure& failure) {
    return failure;
  } catch (const std::bad_alloc&) {
    return Failure(err::kOutOfMemory, std::move(source));
  }
}

std::string ErrorBoxText(const Failure& failure) { return std::to_string(failure.number()) + "-" + failure.what(); }

}  // namespace lum
