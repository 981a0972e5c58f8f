// The bytes of the hosts block: its sections, their heading and entry forms, encodings and
// line ends.
#include "tools/ad_blocking.h"
#include "tools/hosts_block.h"

#include <gtest/gtest.h>
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct ExpectedSection {
  const wchar_t* heading;
  const char* entryStart;  // the sink address and the blanks after it
  size_t entries;
};

const ExpectedSection kSections[] = {
    {L"# iQiyi", "0.0.0.0 ", 10},
    {L"# Youku", "0.0.0.0 ", 15},
    {L"# Tudou", "0.0.0.0 ", 12},
    {L"#优酷网", "127.0.0.1 ", 15},
    {L"#百度推广与统计", "127.0.0.1 ", 20},
    {L"#搜狐视频", "127.0.0.1 ", 2},
    {L"#CNTV", "127.0.0.1 ", 6},
    {L"#新浪视频", "127.0.0.1 ", 1},
    {L"#Ku6", "127.0.0.1 ", 1},
    {L"#56网", "127.0.0.1 ", 1},
    {L"#凤凰视频", "127.0.0.1 ", 1},
    {L"#CNTV", "127.0.0.1 ", 6},
    {L"#爱奇艺", "127.0.0.1 ", 10},
    {L"#乐视网", "127.0.0.1 ", 4},
    {L"#土豆网", "127.0.0.1 ", 19},
    {L"#腾讯视频", "127.0.0.1 ", 16},
    {L"#PPTV聚力", "127.0.0.1 ", 3},
    {L"#风行网", "127.0.0.1 ", 3},
    {L"#迅雷看看", "127.0.0.1 ", 5},
    {L"# Windows Live Messenger", "0.0.0.0    ", 2},
};
const size_t kSectionCount = sizeof kSections / sizeof kSections[0];
const size_t kSectionWithAddresses = 14;  // index of section 15

struct Section {
  std::string heading;
  std::vector<std::string> hosts;
};

std::wstring FromCodePage936(const std::string& bytes) {
  wchar_t text[256] = {};
  int length = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(),
                                   static_cast<int>(bytes.size()), text, 255);
  return std::wstring(text, length > 0 ? length : 0);
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

bool IsHostName(const std::string& name) {
  if (name.empty() || name.size() > 253 || name.find('.') == std::string::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('.', start);
    if (end == std::string::npos) end = name.size();
    std::string label = name.substr(start, end - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    for (char c : label)
      if (!(islower(static_cast<unsigned char>(c)) || isdigit(static_cast<unsigned char>(c)) ||
            c == '-'))
        return false;
    start = end + 1;
  }
  // A name made only of digits and dots would be read as an address.
  return name.find_first_not_of("0123456789.") != std::string::npos;
}

bool IsDottedAddress(const std::string& text) {
  unsigned parts[4];
  char rest;
  if (sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
             &rest) != 4)
    return false;
  for (unsigned part : parts)
    if (part > 255) return false;
  return text.find_first_not_of("0123456789.") == std::string::npos;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// Reads the sections back, checking each line's form against the expected table.
std::vector<Section> ParseBlock() {
  std::string block(kHostsBlock, kHostsBlockLength);
  std::vector<std::string> lines = SplitLines(block);
  std::vector<Section> sections;
  size_t line = 1;  // line 0 is the empty one in front
  for (size_t s = 0; s < kSectionCount && line < lines.size(); ++s) {
    SCOPED_TRACE(testing::Message() << "section " << s + 1);
    Section section;
    section.heading = lines[line++];
    EXPECT_EQ(FromCodePage936(section.heading), kSections[s].heading);
    const std::string start = kSections[s].entryStart;
    for (; line < lines.size() && lines[line][0] != '#'; ++line) {
      SCOPED_TRACE(lines[line]);
      EXPECT_TRUE(IsAscii(lines[line]));
      bool sinkAndBlanks = lines[line].compare(0, start.size(), start) == 0;
      EXPECT_TRUE(sinkAndBlanks) << "expected " << start;
      if (!sinkAndBlanks) continue;
      std::string host = lines[line].substr(start.size());
      bool address = s == kSectionWithAddresses && IsDottedAddress(host);
      EXPECT_TRUE(address || IsHostName(host));
      section.hosts.push_back(host);
    }
    EXPECT_EQ(section.hosts.size(), kSections[s].entries);
    sections.push_back(section);
  }
  EXPECT_EQ(line, lines.size()) << "lines after the last section";
  return sections;
}

TEST(HostsBlock, LineEndsAndBytes) {
  ASSERT_GT(kHostsBlockLength, 2u);
  EXPECT_EQ(strlen(kHostsBlock), kHostsBlockLength) << "a NUL inside the block";
  std::string block(kHostsBlock, kHostsBlockLength);
  EXPECT_EQ(block.compare(0, 3, "\r\n#"), 0) << "the block starts with a line break";
  EXPECT_EQ(block.compare(block.size() - 2, 2, "\r\n"), 0);
  EXPECT_EQ(block.find('\t'), std::string::npos);
  // Every CR is followed by LF and every LF preceded by CR.
  for (size_t i = 1; i + 1 < block.size(); ++i) {
    if (block[i] == '\r') {
      EXPECT_EQ(block[i + 1], '\n') << "bare CR at " << i;
    } else if (block[i] == '\n') {
      EXPECT_EQ(block[i - 1], '\r') << "bare LF at " << i;
    }
  }
  std::vector<std::string> lines = SplitLines(block);
  EXPECT_EQ(lines[0], "");
  for (size_t i = 1; i < lines.size(); ++i) {
    ASSERT_FALSE(lines[i].empty()) << "empty line " << i;
    EXPECT_NE(lines[i].back(), ' ') << "trailing blank: " << lines[i];
  }
}

// Headings are compared as decoded from code page 936, so a label in another encoding, or a
// missing or extra blank after "#", fails as well.
TEST(HostsBlock, SectionsHaveTheirHeadingsSinkAddressesAndCounts) {
  EXPECT_EQ(ParseBlock().size(), kSectionCount);
}

TEST(HostsBlock, RepeatedSectionsCarryTheSameHosts) {
  std::vector<Section> sections = ParseBlock();
  ASSERT_EQ(sections.size(), kSectionCount);
  EXPECT_EQ(sections[11].heading, sections[6].heading);
  EXPECT_EQ(sections[11].hosts, sections[6].hosts);
  EXPECT_EQ(sections[12].hosts, sections[0].hosts);  // site A under both sink addresses
  EXPECT_EQ(sections[3].hosts, sections[1].hosts);   // site B
  const std::vector<std::string>& siteC = sections[kSectionWithAddresses].hosts;
  for (const std::string& host : sections[2].hosts)
    EXPECT_NE(std::find(siteC.begin(), siteC.end(), host), siteC.end()) << host;
  size_t addresses = std::count_if(siteC.begin(), siteC.end(), IsDottedAddress);
  EXPECT_GT(addresses, 0u);
}

TEST(HostsBlock, FlashHostsAreHostNames) {
  for (const wchar_t* host : kFlashHosts) {
    std::wstring wide(host);
    EXPECT_TRUE(IsHostName(std::string(wide.begin(), wide.end())));
  }
}

}  // namespace
