#include "shell/about.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host/pf_errors.h"
#include "hostsim/command_driver.h"
#include "shell/string_table.h"
#include "support/host_fixture.h"
#include "support/linked_module.h"

namespace {

const std::string DESCRIPTION =
    "Glass refraction for shape, text, mask & solid layers.\rShapes incl. custom/bezier paths, polygons & "
    "stars.\r\rPut it on a layer with the Adjustment switch ON -\rit refracts everything below through that "
    "layer's shape.";

class AboutTest : public HostTest {
 protected:
  hostsim::CommandDriver driver_{host_, LinkedModule()};
};

TEST_F(AboutTest, PrintsNameVersionAndDescription) {
  ASSERT_EQ(driver_.About(), PF_Err_NONE);
  const std::string text = driver_.out_data().return_msg;
  EXPECT_EQ(text, "Prismora v1.0\r" + DESCRIPTION);
  EXPECT_EQ(text.size(), 228u);
  ASSERT_EQ(host_.sprintf_outputs().size(), 1u);
  EXPECT_EQ(host_.sprintf_outputs()[0], text);
  // One carriage return after the version; the description keeps its own four.
  EXPECT_EQ(text.find('\r'), 13u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 5);
  EXPECT_EQ(host_.suites().AcquireCount("PF ANSI Suite", 1), 1);
}

TEST(StringTableTest, IdsAreIndicesAndTextsAreAsListed) {
  const char* texts[STR_COUNT] = {"",           "Prismora",    DESCRIPTION.c_str(), "Refraction",    "Magnify",
                                  "Depth",      "Splay",       "Frost",             "Dispersion",    "Light",
                                  "Light Angle", "Light Intensity", "Effect Scale", "Rim Scale", "Adjustments"};
  for (A_long id = 0; id < STR_COUNT; ++id) {
    EXPECT_EQ(g_string_table[id].index, id);
    EXPECT_STREQ(GetStringPtr(id), texts[id]) << id;
  }
  EXPECT_STREQ(GetStringPtr(STR_COUNT), "");
  EXPECT_STREQ(GetStringPtr(-1), "");
}

}  // namespace
