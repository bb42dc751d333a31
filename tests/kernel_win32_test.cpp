// What only Windows shows of the platform layer's files: read-only files and the system's
// own error codes.
#include <windows.h>

#include <gtest/gtest.h>

#include "kernel/local_file.h"
#include "tests/support/file_contents.h"
#include "tests/support/file_plants.h"
#include "tests/support/local_file_test.h"

namespace {

TEST_F(LocalFileTest, ReadOnlyFileDoesNotOpenForWriting) {
  const std::string readOnly = dir + "/read-only";
  WriteWholeFile(readOnly, "x");
  if (!PlantUnwritable(readOnly)) GTEST_SKIP() << "the system writes read-only files";
  CFile file;
  EXPECT_FALSE(file.Open(readOnly, CFile::modeCreate | CFile::modeWrite));
}

// A read from a file opened for writing fails in the system, with its cause and name.
TEST_F(LocalFileTest, SystemFailureCarriesItsCauseAndTheFileName) {
  CFile writing;
  ASSERT_TRUE(writing.Open(dir + "/w", CFile::modeCreate | CFile::modeWrite));
  char byte;
  try {
    writing.Read(&byte, 1);
    ADD_FAILURE() << "reading a file opened for writing succeeded";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, ERROR_ACCESS_DENIED);
    EXPECT_EQ(e->m_strFileName, dir + "/w");
    e->Delete();
  }
}

}  // namespace
