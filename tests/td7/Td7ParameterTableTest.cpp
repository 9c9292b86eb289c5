// The parameter table checked against the facts its rows must agree on: each template
// addresses its block at the row's data offset with the placeholders of its DumpMode,
// every data byte is bound once, ranges, defaults and item lists fit together.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "td7/map/ParameterTable.h"
#include "td7/map/Td7Map.h"

namespace {

using td7::Block;
using td7::ControlKind;
using td7::TParameter;

std::string Hex(int byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(byte >> 4) & 0xF], kDigits[byte & 0xF]};
}

// Record bytes a parameter occupies.
int Width(const TParameter& p) {
    return p.DumpMode == midilink::dm1Byte ? 1 : 2;
}

TEST(Td7ParameterTable, NinetyUniquelyNamedRows) {
    const auto rows = td7::Parameters();
    EXPECT_EQ(rows.size(), 90u);
    std::set<std::string_view> names;
    for (const TParameter& p : rows) EXPECT_TRUE(names.insert(p.Name).second) << p.Name;
    ASSERT_NE(td7::FindParameter("txChoke"), nullptr);
    EXPECT_EQ(td7::FindParameter("txChoke")->DumpIndex, 18);
    EXPECT_EQ(td7::FindParameter("NoSuchControl"), nullptr);
}

TEST(Td7ParameterTable, TemplatesAddressTheirBlockAtTheDataOffset) {
    for (const TParameter& p : td7::Parameters()) {
        SCOPED_TRACE(std::string(p.Name));
        const std::string_view t = p.MidiCommand;
        ASSERT_EQ(t.size() % 2, 0u);
        std::vector<std::string> pairs;
        for (std::size_t k = 0; k < t.size(); k += 2) pairs.emplace_back(t.substr(k, 2));
        ASSERT_GE(pairs.size(), 12u);

        EXPECT_EQ(pairs[0] + pairs[1] + pairs[2] + pairs[3] + pairs[4], "F041v05812");
        const td7::Address block = td7::RecordAddress(p.Collection, 0);
        EXPECT_EQ(pairs[5], Hex(block[0]));
        const bool trigger = p.Panel == td7::PanelId::Trigger;
        EXPECT_EQ(pairs[6] + pairs[7], trigger ? "0001" : "0000");
        EXPECT_EQ(pairs[8], Hex(p.DumpIndex - 9));

        std::string data;
        for (std::size_t k = 9; k + 2 < pairs.size(); ++k) data += pairs[k];
        const std::map<midilink::TDumpMode, std::string> placeholders = {
            {midilink::dm1Byte, "d0"},
            {midilink::dm2Bytes, "d1d0"},
            {midilink::dm2Nibbles, "n1n0"}};
        ASSERT_TRUE(placeholders.count(p.DumpMode));
        EXPECT_EQ(data, placeholders.at(p.DumpMode));
        EXPECT_EQ(pairs[pairs.size() - 2] + pairs.back(), "00F7");
    }
}

TEST(Td7ParameterTable, EveryDataByteIsBoundOnceExceptTheNames) {
    std::map<Block, std::map<int, std::string_view>> bound;
    for (const TParameter& p : td7::Parameters())
        for (int k = 0; k < Width(p); ++k) {
            const auto [it, fresh] = bound[p.Collection].emplace(p.DumpIndex + k, p.Name);
            EXPECT_TRUE(fresh) << p.Name << " overlaps " << it->second;
        }
    const std::map<Block, std::set<int>> unbound = {{Block::Prog, {11, 12, 13, 14, 15, 16}},
                                                    {Block::Instrument, {9, 10, 11, 12, 13, 14}}};
    for (Block block : td7::kAllBlocks) {
        const int last = td7::InfoOf(block).Size - 3;
        for (int at = 9; at <= last; ++at) {
            const bool isName = unbound.count(block) && unbound.at(block).count(at);
            EXPECT_EQ(bound[block].count(at), isName ? 0u : 1u)
                << td7::InfoOf(block).Name << " byte " << at;
        }
        EXPECT_EQ(bound[block].rbegin()->first, last) << td7::InfoOf(block).Name;
    }
}

TEST(Td7ParameterTable, RangesDefaultsAndStoredValuesFit) {
    for (const TParameter& p : td7::Parameters()) {
        SCOPED_TRACE(std::string(p.Name));
        EXPECT_LT(p.Min, p.Max);
        EXPECT_GE(p.Default, p.Min);
        EXPECT_LE(p.Default, p.Max);
        EXPECT_EQ(p.DataWidth, p.Negatives && p.DumpMode == midilink::dm2Bytes ? 10 : 7);
        if (p.Kind == ControlKind::Combo) {
            EXPECT_EQ(p.Min, 0);
            EXPECT_EQ(p.Max + 1, static_cast<int>(td7::Items(p.Items).size()));
        } else {
            EXPECT_EQ(p.Items, td7::ItemList::None);
        }
        if (p.Kind == ControlKind::Check) {
            EXPECT_EQ(p.Max, 1);
            EXPECT_NE(p.CheckedValue, p.UnCheckedValue);
        }

        // The stored range as the record holds it: 7-bit bytes, two nibbles, or 14 bits;
        // a signed range wraps into DataWidth bits.
        int low = p.Min + p.Offset;
        int high = p.Max + p.Offset;
        if (p.Negatives) {
            EXPECT_GE(low, -(1 << (p.DataWidth - 1)));
            EXPECT_LT(high, 1 << (p.DataWidth - 1));
            low = 0;
            high = (1 << p.DataWidth) - 1;
        }
        const int limit = p.DumpMode == midilink::dm2Nibbles ? 255
                          : p.DumpMode == midilink::dm2Bytes ? 16383
                                                             : 127;
        EXPECT_GE(low, 0);
        EXPECT_LE(high, limit);
    }
    // The one check box whose checked state stores 0.
    EXPECT_EQ(td7::FindParameter("cbRxProgram")->CheckedValue, 0);
    EXPECT_EQ(td7::FindParameter("cbRxProgram")->UnCheckedValue, 1);
}

TEST(Td7ParameterTable, EffectKnobsSitOnAPageOfTheirEffectType) {
    for (const TParameter& p : td7::Parameters()) {
        SCOPED_TRACE(std::string(p.Name));
        const bool effect = p.Panel == td7::PanelId::Effect1 || p.Panel == td7::PanelId::Effect2;
        if (!effect || p.Kind != ControlKind::Knob) {
            EXPECT_TRUE(p.Page.empty());
            continue;
        }
        const auto& pages =
            td7::Items(p.Panel == td7::PanelId::Effect1 ? td7::ItemList::Effect1Types
                                                        : td7::ItemList::Effect2Types);
        EXPECT_NE(std::find(pages.begin(), pages.end(), p.Page), pages.end());
        EXPECT_EQ(p.Name.substr(0, p.Page.size()), p.Page);
    }
}

TEST(Td7ParameterTable, GeneratedItemLists) {
    const auto& waves = td7::Items(td7::ItemList::Waveforms);
    ASSERT_EQ(waves.size(), 256u);
    EXPECT_EQ(waves.front(), "000 Acoustic Maple Kick");
    EXPECT_EQ(waves[100], "100 Metal Side Stick");
    EXPECT_EQ(waves.back(), "255 Synth Bass 2");
    const auto& patterns = td7::Items(td7::ItemList::SeqPatterns);
    ASSERT_EQ(patterns.size(), 49u);
    EXPECT_EQ(patterns[0], "Off");
    EXPECT_EQ(patterns[48], "48");
    EXPECT_EQ(td7::Items(td7::ItemList::AssignGroups).back(), "31");
    EXPECT_EQ(td7::Items(td7::ItemList::Sounds).back(), "512");
    EXPECT_EQ(td7::Items(td7::ItemList::Notes)[2], "37 C#2");
    for (int k = 0; k <= static_cast<int>(td7::ItemList::InterfaceModes); ++k) {
        const auto list = static_cast<td7::ItemList>(k);
        EXPECT_EQ(static_cast<int>(td7::Items(list).size()), td7::ItemCount(list));
    }
}

TEST(Td7ParameterTable, KnobValueTexts) {
    auto text = [](const char* name, int v) {
        return td7::ValueText(td7::FindParameter(name)->ValueText, v);
    };
    EXPECT_EQ(text("txMinVelo", 9), "26");
    EXPECT_EQ(text("txMinVelo", 0), "1");
    EXPECT_EQ(text("txMinVelo", 15), "64");
    EXPECT_EQ(text("txMaskTime", 13), "52ms");
    EXPECT_EQ(text("txGateTime", 40), "4.0s");
    EXPECT_EQ(text("pxGateTime", 1), "0.1s");
    EXPECT_EQ(text("Sound1Pitch", -12), "-1200");
    EXPECT_EQ(text("Sound2Pitch", 48), "4800");
    EXPECT_EQ(text("Pan", 8), "Random");
    EXPECT_EQ(text("Pan", -7), "-7");
    EXPECT_EQ(text("Pitch", -48), "-480");
    EXPECT_EQ(text("Prf2Chan", 17), "Off");
    EXPECT_EQ(text("Prf2Chan", 16), "16");
    EXPECT_EQ(text("PitchBend", 0), "Off");
    EXPECT_EQ(text("PitchBend", 1), "1");
    EXPECT_EQ(text("HallLevel", 12), "12");
}

}  // namespace
