#include "errors.h"

namespace hopscale {

const char* kindName(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::TypeMismatch: return "type mismatch";
        case ErrorKind::Overflow: return "overflow";
        case ErrorKind::InvalidArgument: return "invalid argument";
        case ErrorKind::DivisionByZero: return "division by zero";
        case ErrorKind::InvalidCoordinate: return "invalid coordinate";
        case ErrorKind::FileNotFound: return "file not found";
        case ErrorKind::BadFile: return "bad file";
    }
    return "error";
}

std::string Error::message() const {
    std::string out = kindName(kind);
    out[0] = static_cast<char>(out[0] - 'a' + 'A');
    if (field) {
        out += " in \"";
        out += fieldInfo(*field).caption;
        out += "\"";
        // Both longitude boxes carry the caption "Longitude": name the box as well.
        int sameCaption = 0;
        for (const auto& f : allFields()) sameCaption += f.caption == fieldInfo(*field).caption;
        if (sameCaption > 1) {
            out += " (";
            out += fieldInfo(*field).control;
            out += ")";
        }
    }
    if (!input.empty()) {
        out += field ? ", \"" : " in \"";
        out += input;
        out += "\"";
    }
    if (!file.empty()) {
        out += field || !input.empty() ? ", file \"" : " \"";
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

}  // namespace hopscale
