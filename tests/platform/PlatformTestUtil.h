// Helpers shared by the platform tests.
#pragma once

#include "platform/SysError.h"

#include <gtest/gtest.h>

namespace vorlane::platform {

// A call that failed and left dosCode in err: EXPECT_TRUE(FailedWith(
// Call(..., &err), err, code)); the call runs before err is looked at.
inline ::testing::AssertionResult FailedWith(bool ok, const SysError& err, int dosCode) {
    if (ok)
        return ::testing::AssertionFailure() << "succeeded";
    if (err.dosCode != dosCode)
        return ::testing::AssertionFailure()
               << "DOS code " << err.dosCode << ", expected " << dosCode << ": " << err.message;
    return ::testing::AssertionSuccess();
}

} // namespace vorlane::platform
