// The shared test data (QUILLMERE_TESTDATA) is read in place beside the
// checkout and is no part of the source: a build from the source package alone
// has none, and the tests that read it skip, saying so.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

// Skips the test, from SetUp or its body, when the folder sub of the test data is missing.
#define QUILLMERE_SKIP_WITHOUT_TESTDATA(sub)                                                                   \
    if (const std::filesystem::path quillmereTestData = std::filesystem::path(QUILLMERE_TESTDATA) / (sub);      \
        !std::filesystem::is_directory(quillmereTestData))                                                     \
    GTEST_SKIP() << quillmereTestData.string() << " is missing: the shared test data lies beside the checkout"
