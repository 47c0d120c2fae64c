// Helpers shared by the terrain tests: asserting an error's kind and message together.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "errors.h"

namespace hopscale::terrain::testing {

// Checks that `result` failed with `kind` and that its message holds every piece of `parts`.
template <class T>
::testing::AssertionResult failsWith(const Result<T>& result, ErrorKind kind,
                                     std::initializer_list<const char*> parts) {
    if (result.ok())
        return ::testing::AssertionFailure() << "succeeded, expected " << kindName(kind);
    const std::string message = result.error->message();
    if (result.error->kind != kind) {
        return ::testing::AssertionFailure() << "kind " << kindName(result.error->kind)
                                             << ", expected " << kindName(kind) << ": " << message;
    }
    for (const char* part : parts) {
        if (message.find(part) == std::string::npos) {
            return ::testing::AssertionFailure() << "message lacks \"" << part << "\": " << message;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace hopscale::terrain::testing
