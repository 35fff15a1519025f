// The error types of the core. Every message is meant for the user: it names
// the file (where there is one) and says what is wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace quillmere {

// Base of every error the core raises.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value does not fit its target type (a product beyond 32 bits, a negative
// number into a byte); the core never wraps around.
class OverflowError : public Error {
public:
    using Error::Error;
};

// A division whose divisor is zero.
class DivisionByZeroError : public Error {
public:
    using Error::Error;
};

// An index outside the valid range of a table or buffer.
class SubscriptError : public Error {
public:
    using Error::Error;
};

// A file could not be read, written or understood. what() reads
// "<file>: <reason>"; file() and reason() give the two parts.
class FileError : public Error {
public:
    FileError(std::string file, std::string reason)
        : Error(file + ": " + reason), file_(std::move(file)), reason_(std::move(reason)) {}
    const std::string& file() const noexcept { return file_; }
    const std::string& reason() const noexcept { return reason_; }

private:
    std::string file_;
    std::string reason_;
};

// A reason about a file as part of a sentence, naming the file once: "it is a
// folder" reads "X is a folder", "it has ..." reads "X has ...", anything else
// "X: reason".
std::string FileReason(const std::string& file, const std::string& reason);

// The text with its first letter in upper case, and a full stop.
std::string AsSentence(std::string text);

} // namespace quillmere
