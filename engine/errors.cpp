#include "errors.h"

namespace hopscale {

const char* kindName(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::TypeMismatch:
            return "type mismatch";
        case ErrorKind::Overflow:
            return "overflow";
        case ErrorKind::InvalidArgument:
            return "invalid argument";
        case ErrorKind::DivisionByZero:
            return "division by zero";
        case ErrorKind::InvalidCoordinate:
            return "invalid coordinate";
        case ErrorKind::FileNotFound:
            return "file not found";
        case ErrorKind::BadFile:
            return "bad file";
    }
    return "error";
}

std::string Error::message() const {
    std::string out = kindName(kind);
    out[0] = static_cast<char>(out[0] - 'a' + 'A');
    if (field) {
        out += " in \"";
        out += fieldName(*field);
        out += "\"";
    } else if (!step.empty()) {
        out += " at " + step;
        if (origin) {
            out += ", from \"";
            out += fieldName(*origin);
            out += "\"";
        }
    }
    if (!input.empty()) {
        out += field || !step.empty() ? ", \"" : " in \"";
        out += input;
        out += "\"";
    }
    if (!file.empty()) {
        out += field || !step.empty() || !input.empty() ? ", file \"" : " \"";
        out += file;
        out += "\"";
    }
    std::string tail;
    if (kind == ErrorKind::TypeMismatch && !detail.empty() && text.empty()) {
        tail = detail;
    } else if (kind == ErrorKind::TypeMismatch) {
        tail = "\"" + text + "\" " + (detail.empty() ? "is not a number" : detail);
    } else if (!text.empty() && !detail.empty()) {
        tail = "\"" + text + "\" " + detail;
    } else {
        tail = detail;
    }
    if (!tail.empty()) out += ": " + tail;
    return out;
}

Error Error::invalidArgument(std::string input, std::string text, std::string detail) {
    Error e{ErrorKind::InvalidArgument};
    e.input = std::move(input);
    e.text = std::move(text);
    e.detail = std::move(detail);
    return e;
}

Error Error::badFile(std::string file, std::string detail, std::string text) {
    Error e{ErrorKind::BadFile};
    e.file = std::move(file);
    e.detail = std::move(detail);
    e.text = std::move(text);
    return e;
}

Error Error::fileNotFound(std::string file, std::string detail) {
    Error e{ErrorKind::FileNotFound};
    e.file = std::move(file);
    e.detail = std::move(detail);
    return e;
}

}  // namespace hopscale
