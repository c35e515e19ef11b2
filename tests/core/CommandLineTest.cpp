// Command normalisation and quote removal.
#include "core/RunFlow.h"

#include <gtest/gtest.h>

using tavrin::NormaliseCommand;
using tavrin::Unquote;

TEST(Unquote, TakesTheTextBetweenTheQuotes)
{
    EXPECT_EQ(Unquote("'abc'", '\''), "abc");
    EXPECT_EQ(Unquote("'it''s' tail", '\''), "it's");
    EXPECT_EQ(Unquote("abc'", '\''), "abc'");
    EXPECT_EQ(Unquote("''", '\''), "''") << "an empty result leaves the text as it was";
    EXPECT_EQ(Unquote("'never closed", '\''), "'never closed");
    EXPECT_EQ(Unquote("\"MM 300 1\"", '"'), "MM 300 1");
    EXPECT_EQ(Unquote("", '"'), "");
}

TEST(NormaliseCommand, UpperCasesOnlyForTheLowerCaseCommandWords)
{
    EXPECT_EQ(NormaliseCommand("/e:feed"), "FEED");
    EXPECT_EQ(NormaliseCommand("/E:eject"), "EJECT");
    EXPECT_EQ(NormaliseCommand("/e:FEED"), "FEED");
    EXPECT_EQ(NormaliseCommand("/e:Feed"), "Feed");
    EXPECT_EQ(NormaliseCommand("/e:WRITEM"), "WRITEM");
    EXPECT_EQ(NormaliseCommand("/e:MM 300 1"), "MM 300 1");
    EXPECT_EQ(NormaliseCommand("/e:mm flip"), "MM FLIP");
    EXPECT_EQ(NormaliseCommand("  /e:Se  "), "Se");
    EXPECT_EQ(NormaliseCommand("'/e:Sis'"), "Sis");
    EXPECT_EQ(NormaliseCommand("/e:a:b"), "a:b") << "everything after the first colon";
}
