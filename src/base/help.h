// The topics of ruzer.chm that the program opens: by keyword (Help buttons,
// help items of the pop-up menus) and by number (Help buttons of message
// boxes). Topics are opened by their file, so the lookup does not depend on
// the viewer's keyword index.
#pragma once

#include <string>
#include <vector>

namespace ruzer {

struct HelpTopic {
  const wchar_t* keyword;  // empty for numbered topics
  int context;             // 0 for keyword topics
  const wchar_t* file;     // topic file in the help file
};

// Every topic the program asks for.
const std::vector<HelpTopic>& HelpTopics();

// Topic file of a keyword / a context number; empty when the program has none.
std::wstring HelpFileOfKeyword(const std::wstring& keyword);
std::wstring HelpFileOfContext(int context);

// Topic files that are not reached by keyword or number.
inline constexpr wchar_t kHelpContentsTopic[] = L"index.htm";

// "C:\...\ruzer.chm::/topic.htm", the form the viewer opens a topic by.
std::wstring HelpTopicUrl(const std::wstring& helpFile, const std::wstring& topic);

}  // namespace ruzer
