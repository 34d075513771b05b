// The program's error classes, in the form-framework's kinds, and its default
// handler: an error that leaves an event handler is shown in a message box and
// the window stays as it was.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace vorlantic::platform {

// A text that is not a number of the wanted kind.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be opened: "Cannot open file "<full path>". <reason>".
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    static EFOpenError ForFile(const std::string& fileName, int errorNumber);
};

// A file that opens but holds no picture of a readable format.
class EInvalidGraphic : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows the message of an error that escaped a handler: a message box
// captioned with the application's display name, one OK button, the text
// ending with a full stop.
void ShowException(const std::exception& e);

// Runs an event handler's body; an error that escapes it is shown with
// ShowException (any other exception with an empty text). Returns false when
// the body ended with an error.
bool CallHandler(const std::function<void()>& body);

}  // namespace vorlantic::platform
