// Where the tests find their data, the sources and the built server. The paths live in one
// generated file, not in every test's compile flags, so that a checkout elsewhere compiles the
// tests to the same objects and a shared compiler cache serves them.
#pragma once

namespace kx::testing {
extern const char* const kTestDataDir;
extern const char* const kSourceDir;
extern const char* const kMktfnServer;
}  // namespace kx::testing

#define KX_TEST_DATA_DIR (::kx::testing::kTestDataDir)
#define KX_SOURCE_DIR (::kx::testing::kSourceDir)
#define KX_MKTFN_SERVER (::kx::testing::kMktfnServer)
