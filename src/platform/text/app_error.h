// The one base of the errors that reach the user. what() is the user-facing text
// (UTF-8, Russian, naming the file, line or server reply where there is one).
#pragma once

#include <stdexcept>
#include <string>

class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& userText) : std::runtime_error(userText) {}
};
