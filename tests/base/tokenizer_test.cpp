#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/path_text.h"
#include "base/tokenizer.h"

namespace velmora {
namespace {

TEST(Tokenizer, GetTokenSkipsEmptyTokensButGetNextTokenDoesNot) {
    CStringTokenizer skipping("a,,b");
    EXPECT_EQ(skipping.GetToken(","), "a");
    EXPECT_EQ(skipping.GetToken(","), "b");
    EXPECT_EQ(skipping.GetToken(","), "");
    EXPECT_TRUE(skipping.IsEmpty());

    CStringTokenizer exact("a,,b");
    EXPECT_EQ(exact.GetNextToken(","), "a");
    EXPECT_EQ(exact.GetNextToken(","), "");
    EXPECT_EQ(exact.str(), "b");
    EXPECT_EQ(exact.GetNextToken(","), "b");
    EXPECT_TRUE(exact.IsEmpty());
}

TEST(Tokenizer, AnyDelimiterCharacterSplits) {
    CStringTokenizer tokens(";x; y,z;;");
    std::vector<std::string> parts{"first"};
    tokens.SplitToken(parts, ",; ");
    EXPECT_EQ(parts, (std::vector<std::string>{"first", "x", "y", "z"}));
    EXPECT_TRUE(tokens.IsEmpty());
}

TEST(Tokenizer, PrevTokensComeFromTheEnd) {
    CStringTokenizer path("/home/user//file.txt");
    EXPECT_EQ(path.GetPrevToken("/"), "file.txt");
    EXPECT_EQ(path.GetPrevToken("/"), "");
    EXPECT_EQ(path.GetPrev("/"), "user");
    EXPECT_EQ(path.str(), "/home");
    EXPECT_EQ(path.GetPrev("/"), "home");
    EXPECT_EQ(path.GetPrev("/"), "");
    EXPECT_TRUE(path.IsEmpty());

    CStringTokenizer plain("name");
    EXPECT_EQ(plain.GetPrevToken("/"), "name");
    EXPECT_TRUE(plain.IsEmpty());
}

TEST(Tokenizer, LeftAndRightAreLimitedToTheText) {
    CStringTokenizer text("abcdef");
    EXPECT_EQ(text.Left(0), "");
    EXPECT_EQ(text.Left(-3), "");
    EXPECT_EQ(text.Left(2), "ab");
    EXPECT_EQ(text.Right(2), "ef");
    EXPECT_EQ(text.str(), "cd");
    EXPECT_EQ(text.Right(10), "cd");
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(text.Left(1), "");
}

TEST(Tokenizer, LeftTokenBySeparatorString) {
    CStringTokenizer text("<a>x</a><b/>");
    EXPECT_EQ(text.LeftToken("</a>"), "<a>x");
    EXPECT_EQ(text.str(), "<b/>");
    EXPECT_EQ(text.LeftToken("</c>"), "");
    EXPECT_EQ(text.str(), "<b/>");
    // A separator that ends the text exactly leaves the text as it was.
    EXPECT_EQ(text.LeftToken("/>"), "<b");
    EXPECT_EQ(text.str(), "<b/>");
    EXPECT_EQ(text.LeftToken(""), "");
}

TEST(Tokenizer, BracketTokensNeedSomethingBetween) {
    CStringTokenizer left("x(ab)y(c)");
    EXPECT_EQ(left.LeftToken('(', ')'), "ab");
    EXPECT_EQ(left.str(), "y(c)");

    CStringTokenizer empty("x()y");
    EXPECT_EQ(empty.LeftToken('(', ')'), "");
    EXPECT_EQ(empty.str(), "x()y");

    CStringTokenizer reversed(")a(");
    EXPECT_EQ(reversed.LeftToken('(', ')'), "");
    EXPECT_EQ(reversed.RightToken('(', ')'), "");
    EXPECT_EQ(reversed.str(), ")a(");

    CStringTokenizer right("New (2) copy(15)");
    EXPECT_EQ(right.RightToken('(', ')'), "15");
    EXPECT_EQ(right.str(), "New (2) copy");
}

TEST(Tokenizer, SplitTokenHandsOutTheFrame) {
    CStringTokenizer text("  <tag>rest");
    std::string before = "stale";
    std::string closing = "stale";
    EXPECT_EQ(text.SplitToken(before, '<', '>', closing), "tag");
    EXPECT_EQ(before, "  <");
    EXPECT_EQ(closing, ">");
    EXPECT_EQ(text.str(), "rest");

    EXPECT_EQ(text.SplitToken(before, '<', '>', closing), "");
    EXPECT_EQ(before, "");
    EXPECT_EQ(closing, "");
    EXPECT_EQ(text.str(), "rest");
}

TEST(Tokenizer, TrimControlCharactersAndMixedConsumption) {
    CStringTokenizer trimmed(" \t a\tb\r\n c \n", true);
    EXPECT_EQ(trimmed.str(), "a\tb\r\n c");
    trimmed.RemoveCtrlChar();
    EXPECT_EQ(trimmed.str(), "ab c");

    CStringTokenizer mixed("k=v; rest  ");
    EXPECT_EQ(mixed.GetNextToken("="), "k");
    EXPECT_EQ(mixed.Trim(), "v; rest");
    EXPECT_EQ(mixed.GetLength(), 9u);
    EXPECT_EQ(mixed.GetPrevToken(";"), " rest  ");
    EXPECT_EQ(mixed.GetNextToken(";"), "v");
    EXPECT_TRUE(mixed.IsEmpty());
}

TEST(PathText, AppendSlash) {
    EXPECT_EQ(AppendSlash(""), "/");
    EXPECT_EQ(AppendSlash("  "), "/");
    EXPECT_EQ(AppendSlash("C:\\Data\\"), "C:\\Data\\");
    EXPECT_EQ(AppendSlash("/pub/ "), "/pub/");
    EXPECT_EQ(AppendSlash("C:\\Data", '\\'), "C:\\Data\\");
    EXPECT_EQ(AppendSlash("dir"), "dir/");
}

TEST(PathText, RemoveSlashTrimsOnlyInTheTrimmedForm) {
    EXPECT_EQ(RemoveSlash(""), "");
    EXPECT_EQ(RemoveSlash("/"), "");
    EXPECT_EQ(RemoveSlash("a//"), "a/");
    EXPECT_EQ(RemoveSlash("a\\"), "a");
    EXPECT_EQ(RemoveSlash("a/ "), "a/ ");
    EXPECT_EQ(RemoveSlashTrimmed("a/ "), "a");
    EXPECT_EQ(RemoveSlashTrimmed("a \t"), "a");
    EXPECT_EQ(RemoveSlashTrimmed(""), "");
}

}  // namespace
}  // namespace velmora
