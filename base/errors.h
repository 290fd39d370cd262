#pragma once
// Typed errors raised by the data store and the schedule classes. They carry
// the meaning the alarm server's own tools give them: an index outside a
// table, an argument that cannot be decoded, a number that does not fit.

#include <cstring>
#include <stdexcept>
#include <string>

namespace orlund {

// An index outside a table (day type outside 0..22, day index outside
// 0..14609, a slot outside a table's capacity). Nothing was changed.
class SubscriptError : public std::out_of_range {
 public:
  explicit SubscriptError(const std::string& what) : std::out_of_range(what) {}
};

// An argument that cannot be used as given (a period array that ends early,
// fewer than two characters for a two-character integer).
class InvalidArgumentError : public std::invalid_argument {
 public:
  explicit InvalidArgumentError(const std::string& what) : std::invalid_argument(what) {}
};

// A value that does not fit its 16- or 32-bit field.
class OverflowError : public std::overflow_error {
 public:
  explicit OverflowError(const std::string& what) : std::overflow_error(what) {}
};

// A read past the end of a file's or a payload's bytes.
class TruncatedError : public std::runtime_error {
 public:
  explicit TruncatedError(const std::string& what) : std::runtime_error(what) {}
};

// A file operation that failed: "'<path>': <reason>", with its errno value.
class FileError : public std::runtime_error {
 public:
  FileError(const std::string& path, int error_number)
      : std::runtime_error("'" + path + "': " + std::strerror(error_number)),
        error_number_(error_number) {}
  int error_number() const { return error_number_; }

 private:
  int error_number_;
};

}  // namespace orlund
