// A fresh folder of its own for each test of local files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"

class LocalFileTest : public ::testing::Test {
 protected:
  TempDir temp{"lumvik-file"};
  const std::string dir = temp.Path();
};
