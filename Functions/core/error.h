// Errors as values: what went wrong as a kind the program acts on (belvan-cli picks its exit code
// by it) and the text the operator is shown. Nothing decides by the words of the text.
#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <variant>

namespace belvan {

enum class ErrorKind {
    File,              // a file cannot be read or written (no access, a full disk, not a file)
    WrongFile,         // a file was read but is not what it should be (length, not a CSV list)
    Checksum,          // a channel-settings file whose checksum does not match its bytes
    Value,             // an entered value the image cannot take (not a number, out of range)
    PortNotFound,      // no such serial port
    PortBusy,          // another program holds the port
    PortNoPermission,  // the user may not open the port
    PortUnavailable,   // the port does not open for another reason
    LineLost,          // the device went away (a USB adapter pulled out)
    Exchange,          // the radio did not answer, or answered wrongly
    Mismatch,          // the radio acknowledged a write but holds something else
    Stopped,           // stopped on request before anything was changed
};

struct Error {
    ErrorKind kind = ErrorKind::File;
    QString text;  // in the operator's words
    bool operator==(const Error&) const = default;
};

// The value an operation made, or the error why there is none: a small std::expected, which the
// fuzz targets cannot use (they build with clang 14, whose standard library has no <expected>).
template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    // The value; std::bad_variant_access when there is none.
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Why there is no value; std::bad_variant_access when there is one.
    const Error& error() const { return std::get<1>(state_); }

  private:
    std::variant<T, Error> state_;
};

// Success, or the error why not.
template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool has_value() const { return !error_; }
    explicit operator bool() const { return has_value(); }
    // Why it failed; only after a failure.
    const Error& error() const { return error_.value(); }

  private:
    std::optional<Error> error_;
};

using Status = Result<void>;

}  // namespace belvan
