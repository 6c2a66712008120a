#include "pe/Manifest.h"

#include <gtest/gtest.h>

#include "base/PackError.h"

TEST(Manifest, OnlyTheLevelOfRequestedExecutionLevelChanges) {
  struct Case {
    const char* manifest;
    const char* changed;  // with requireAdministrator
  } cases[] = {
      {"<a><requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/></a>",
       "<a><requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/></a>"},
      {"<requestedExecutionLevel\n  level='asInvoker'/>",
       "<requestedExecutionLevel\n  level='requireAdministrator'/>"},
      {"<requestedExecutionLevel uiAccess=\"false\" xlevel=\"x\" level=\"highestAvailable\"/>",
       "<requestedExecutionLevel uiAccess=\"false\" xlevel=\"x\" level=\"requireAdministrator\"/>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WithExecutionLevel(c.manifest, "requireAdministrator"), c.changed);
    EXPECT_EQ(ExecutionLevelOf(c.changed), "requireAdministrator");
  }
  EXPECT_THROW(WithExecutionLevel("<a level=\"x\"/><requestedExecutionLevel/>", "asInvoker"),
               PackError);
  EXPECT_EQ(ExecutionLevelOf(DefaultManifest("highestAvailable")), "highestAvailable");
}
