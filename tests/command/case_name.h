// Names each case of a parameterized test after its own name field, so that a
// failure reads as the behaviour it broke.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& param) const {
    return param.param.name;
  }
};
