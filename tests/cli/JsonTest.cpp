#include "cli/Json.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(CliJsonWriter, PlacesCommasAndColonsAtEveryDepth)
{
    std::string out;
    cli::JsonWriter json(out);
    json.BeginObject().Field("a", "x").Key("empty").BeginArray().EndArray().Key("none").BeginObject().EndObject();
    json.Key("list").BeginArray().Integer(1).BeginArray().Bool(true).Bool(false).EndArray();
    json.BeginObject().Key("n").Integer(0).Key("h").Hex("\x01\xab").EndObject().String("s").EndArray();
    json.Key("max").Integer(std::numeric_limits<std::uint64_t>::max()).EndObject();
    EXPECT_EQ(out, R"({"a":"x","empty":[],"none":{},"list":[1,[true,false],{"n":0,"h":"01ab"},"s"],)"
                   R"("max":18446744073709551615})");
}

TEST(CliJsonWriter, BreaksLinesBeforeItemsOfLongListsAndWhereAsked)
{
    std::string out;
    cli::JsonWriter json(out);
    json.BeginObject().Key("rows").BeginArray(cli::JsonLayout::ItemPerLine);
    json.BeginObject().Field("p", "1").Key("tags").BeginArray().String("t").String("u").EndArray().EndObject();
    json.String("2").EndArray().BreakLine().Key("empty").BeginArray(cli::JsonLayout::ItemPerLine).EndArray();
    json.Key("next").Bool(false).EndObject();
    // Items inside an item's own inline arrays stay on its line; the break asked for is taken once.
    EXPECT_EQ(out, "{\"rows\":[\n{\"p\":\"1\",\"tags\":[\"t\",\"u\"]},\n\"2\"],\n\"empty\":[],\"next\":false}");
}

// The buffer is written out and emptied between items, as a removal's report does.
TEST(CliJsonWriter, GoesOnWhereItStoppedAfterItsBufferWasEmptied)
{
    std::string out;
    std::string written;
    cli::JsonWriter json(out);
    json.BeginObject().Key("deleted").BeginArray(cli::JsonLayout::ItemPerLine);
    for (const char* path : {"a", "b\xff", "c"}) {
        json.String(path);
        written += out;
        out.clear();
    }
    json.EndArray().Key("cancelled").Bool(true).EndObject();
    written += out;
    EXPECT_EQ(written, "{\"deleted\":[\n\"a\",\n\"b\\udcff\",\n\"c\"],\"cancelled\":true}");
}

} // namespace
