#include <gtest/gtest.h>

#include "hostsim/registration_capture.h"
#include "support/linked_module.h"

namespace {

TEST(RegistrationTest, OlderEntryPassesNineArguments) {
  hostsim::RegistrationRecord r;
  EXPECT_EQ(hostsim::RunRegistration(LinkedModule(), 1, r, 0), 0);
  EXPECT_EQ(r.calls, 1);
  EXPECT_EQ(r.argument_count, 9);
  EXPECT_TRUE(r.in_ptr_matched);
  EXPECT_EQ(r.name, "Prismora");
  EXPECT_EQ(r.match_name, "VantrellePrismora");
  EXPECT_EQ(r.category, "Vantrelle");
  EXPECT_EQ(r.entry_point_name, "EntryPointFunc");
  EXPECT_EQ(r.kind, 0x65464B54);
  EXPECT_EQ(r.api_major, 13);
  EXPECT_EQ(r.api_minor, 27);
  EXPECT_EQ(r.reserved_info, 8);
}

TEST(RegistrationTest, NewerEntryPassesTenArgumentsWithEmptyUrl) {
  hostsim::RegistrationRecord r;
  EXPECT_EQ(hostsim::RunRegistration(LinkedModule(), 2, r, 0), 0);
  EXPECT_EQ(r.calls, 1);
  EXPECT_EQ(r.argument_count, 10);
  EXPECT_TRUE(r.in_ptr_matched);
  EXPECT_EQ(r.name, "Prismora");
  EXPECT_EQ(r.match_name, "VantrellePrismora");
  EXPECT_EQ(r.category, "Vantrelle");
  EXPECT_EQ(r.entry_point_name, "EntryPointFunc");
  EXPECT_EQ(r.kind, 0x65464B54);
  EXPECT_EQ(r.api_major, 13);
  EXPECT_EQ(r.api_minor, 28);
  EXPECT_EQ(r.reserved_info, 8);
  // An empty string, not a missing one.
  EXPECT_FALSE(r.support_url_null);
  EXPECT_EQ(r.support_url, "");
}

TEST(RegistrationTest, CallbackResultIsReturned) {
  hostsim::RegistrationRecord r;
  EXPECT_EQ(hostsim::RunRegistration(LinkedModule(), 1, r, 37), 37);
  EXPECT_EQ(hostsim::RunRegistration(LinkedModule(), 2, r, 38), 38);
}

}  // namespace
