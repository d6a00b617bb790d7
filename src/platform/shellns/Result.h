#pragma once
// Result codes of the shell namespace, in the platform's 32-bit form: negative means failure,
// system errors carry their code in the low 16 bits under facility 7.
#include <cstdint>
#include <string>

namespace shellns {

using HResult = std::int32_t;

constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
constexpr HResult E_NOTIMPL = static_cast<HResult>(0x80004001u);
constexpr HResult E_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057u);

// System error codes the namespace reports.
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorTooManyOpenFiles = 4;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorNotSameDevice = 17;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorDirNotEmpty = 145;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorFilenameTooLong = 206;
constexpr std::uint32_t kErrorDirectory = 267;

constexpr bool Succeeded(HResult hr) { return hr >= 0; }
constexpr bool Failed(HResult hr) { return hr < 0; }

constexpr HResult FromSystemError(std::uint32_t code)
{
    return code == 0 ? S_OK : static_cast<HResult>((code & 0xFFFFu) | 0x80070000u);
}

// A success code that carries a 16-bit value, as comparisons and menu fills answer.
constexpr HResult MakeSuccess(std::uint16_t value) { return static_cast<HResult>(value); }

std::uint32_t SystemErrorFromErrno(int err);
inline HResult FromErrno(int err) { return FromSystemError(SystemErrorFromErrno(err)); }

// The system's text for a result code, for error messages.
std::string ResultText(HResult hr);

} // namespace shellns
