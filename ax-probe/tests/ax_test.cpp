#include "ax.h"

#include <gtest/gtest.h>

#include "fake_element.h"

namespace ozmi::probe {
namespace {

using testing::FakeTree;

RawValue text(std::string s) { return RawValue{std::move(s)}; }

class AXTest : public ::testing::Test {
 protected:
  FakeTree tree;
  std::shared_ptr<testing::FakeElement> node = tree.add("node");
  Element element() const { return node; }
};

TEST_F(AXTest, TextReadsTellMissingFromEmpty) {
  node->set("AXTitle", text("Open")).set("AXValue", text("")).set("AXRole", RawValue{RawValue::Number{3}});
  EXPECT_EQ(AX::title(element()), "Open");
  EXPECT_EQ(AX::value(element()), std::optional<std::string>(""));
  EXPECT_EQ(AX::role(element()), "");  // a number is not text
  EXPECT_EQ(AX::string(element(), "AXRole"), std::nullopt);
  EXPECT_EQ(AX::string(element(), "AXHelp"), std::nullopt);  // missing
  node->set("AXTitle", RawValue{RawValue::Number{1}});
  EXPECT_EQ(AX::title(element()), "");
  EXPECT_EQ(AX::string(element(), "AXTitle"), std::nullopt);
}

TEST_F(AXTest, EveryReadIsOneRequestAndNothingIsCached) {
  node->title("x");
  AX::title(element());
  AX::title(element());
  AX::url(element());
  AX::children(element());
  AX::boolean(element(), "AXSelected");
  EXPECT_EQ(tree.readsOf("node"),
            (std::vector<std::string>{"AXTitle", "AXTitle", "AXURL", "AXChildren", "AXSelected"}));
}

TEST_F(AXTest, FailedReadDropsTheValueHandedBack) {
  node->answer("AXTitle", -25204, text("stale"))
      .answer("AXValue", -25204, text("stale"))
      .answer("AXSelected", -25204, RawValue{true})
      .answer("AXURL", -25204, RawValue{RawValue::Url{"file:///tmp"}})
      .answer("AXChildren", -25204, RawValue{RawValue::Array{RawValue{Element(tree.add())}}});
  EXPECT_EQ(AX::copy(element(), "AXTitle"), std::nullopt);
  EXPECT_EQ(AX::title(element()), "");
  EXPECT_EQ(AX::value(element()), std::nullopt);
  EXPECT_FALSE(AX::boolean(element(), "AXSelected"));
  EXPECT_EQ(AX::url(element()), std::nullopt);
  EXPECT_TRUE(AX::children(element()).empty());
}

TEST_F(AXTest, SuccessWithoutValueIsNone) {
  for (const char* attribute : {"AXTitle", "AXValue", "AXSelected", "AXURL", "AXChildren", "AXWindows"}) {
    node->answer(attribute, 0, std::nullopt);
  }
  EXPECT_EQ(AX::copy(element(), "AXTitle"), std::nullopt);
  EXPECT_EQ(AX::title(element()), "");
  EXPECT_EQ(AX::value(element()), std::nullopt);
  EXPECT_FALSE(AX::boolean(element(), "AXSelected"));
  EXPECT_EQ(AX::url(element()), std::nullopt);
  EXPECT_TRUE(AX::children(element()).empty());
  EXPECT_TRUE(AX::windows(element()).empty());
}

TEST_F(AXTest, BooleanIsTrueOnlyForABooleanTrue) {
  static const struct {
    const char* what;
    std::optional<RawValue> value;
    bool expected;
  } kCases[] = {
      {"true", RawValue{true}, true},
      {"false", RawValue{false}, false},
      {"number 1", RawValue{RawValue::Number{1}}, false},
      {"text true", text("true"), false},
      {"missing", std::nullopt, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    if (c.value) {
      node->set("AXSelected", *c.value);
    } else {
      node->answer("AXSelected", -25212, std::nullopt);
    }
    EXPECT_EQ(AX::boolean(element(), "AXSelected"), c.expected);
  }
}

TEST_F(AXTest, ElementOnlyFromAnElementValue) {
  auto other = tree.add("other");
  EXPECT_EQ(AX::element(RawValue{Element(other)}), std::optional<Element>(other));
  EXPECT_EQ(AX::element(std::nullopt), std::nullopt);
  EXPECT_EQ(AX::element(text("AXWindow")), std::nullopt);
  EXPECT_EQ(AX::element(RawValue{Element()}), std::nullopt);
  node->set("AXFocusedWindow", RawValue{Element(other)});
  EXPECT_EQ(AX::element(AX::copy(element(), "AXFocusedWindow")), std::optional<Element>(other));
}

TEST_F(AXTest, ListsKeepOrderAndDropForeignMembers) {
  auto a = tree.add("a"), b = tree.add("b");
  node->set("AXWindows", RawValue{RawValue::Array{RawValue{Element(a)}, text("not an element"), RawValue{Element()},
                                                  RawValue{Element(b)}, RawValue{Element(a)}}});
  EXPECT_EQ(AX::windows(element()), (std::vector<Element>{a, b, a}));
  node->set("AXChildren", RawValue{RawValue::Array{}});
  EXPECT_TRUE(AX::children(element()).empty());
  node->set("AXChildren", RawValue{Element(a)});  // one element, not an array
  EXPECT_TRUE(AX::children(element()).empty());
}

TEST_F(AXTest, UrlFromUrlOrText) {
  static const struct {
    const char* what;
    RawValue value;
    std::optional<std::string> urlText;
    bool isFile;
  } kCases[] = {
      {"url value", RawValue{RawValue::Url{"file:///tmp/a%20b"}}, "file:///tmp/a%20b", true},
      {"file url text", text("file:///tmp/in/"), "file:///tmp/in/", true},
      {"other scheme", text("https://example.com/x"), "https://example.com/x", false},
      {"bare path", text("/tmp/in"), "/tmp/in", false},
      {"rejected text", text("/tmp/a b"), std::nullopt, false},
      {"empty text", text(""), std::nullopt, false},
      {"boolean", RawValue{true}, std::nullopt, false},
      {"number", RawValue{RawValue::Number{1}}, std::nullopt, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    node->set("AXURL", c.value);
    std::optional<Url> url = AX::url(element());
    ASSERT_EQ(url.has_value(), c.urlText.has_value());
    if (!url) continue;
    EXPECT_EQ(url->text(), *c.urlText);
    EXPECT_EQ(isFileURL(*url), c.isFile);
  }
}

TEST(AXGoneTest, NoElementGivesNeutralResults) {
  const Element gone;
  EXPECT_EQ(AX::copy(gone, "AXRole"), std::nullopt);
  EXPECT_EQ(AX::role(gone), "");
  EXPECT_EQ(AX::value(gone), std::nullopt);
  EXPECT_FALSE(AX::boolean(gone, "AXSelected"));
  EXPECT_TRUE(AX::children(gone).empty());
  EXPECT_TRUE(AX::windows(gone).empty());
  EXPECT_EQ(AX::url(gone), std::nullopt);
}

TEST(AXGoneTest, ProcessThatQuitAnswersEveryReadWithAnError) {
  FakeTree tree;
  auto quit = tree.add("quit");
  for (const char* attribute : {"AXRole", "AXTitle", "AXValue", "AXSelected", "AXURL", "AXChildren", "AXWindows"}) {
    quit->answer(attribute, -25202, std::nullopt);  // kAXErrorInvalidUIElement
  }
  const Element e = quit;
  EXPECT_EQ(AX::role(e), "");
  EXPECT_EQ(AX::title(e), "");
  EXPECT_EQ(AX::value(e), std::nullopt);
  EXPECT_FALSE(AX::boolean(e, "AXSelected"));
  EXPECT_EQ(AX::url(e), std::nullopt);
  EXPECT_TRUE(AX::children(e).empty());
  EXPECT_TRUE(AX::windows(e).empty());
}

}  // namespace
}  // namespace ozmi::probe
