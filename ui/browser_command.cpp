#include "ui/browser_command.h"

namespace {

// The words of an Exec value: unquoted blanks separate them; inside double quotes a
// backslash keeps the next character. False when a quote is left open.
bool SplitWords(const std::string& command, std::vector<std::string>* words) {
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < command.size()) {
        word += command[++i];
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = inWord = true;
    } else if (c == ' ' || c == '\t') {
      if (inWord) words->push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) return false;
  if (inWord) words->push_back(word);
  return true;
}

}  // namespace

std::vector<std::string> BrowserArguments(const std::string& command, const std::string& url) {
  std::vector<std::string> words;
  // The first word names the program; a field code there names none.
  if (!SplitWords(command, &words) || words.empty() || words.front().empty() ||
      words.front()[0] == '%') {
    return {};
  }
  std::vector<std::string> arguments;
  bool placed = false;
  for (const std::string& word : words) {
    if (word == "%u" || word == "%U" || word == "%f" || word == "%F") {
      if (!placed) arguments.push_back(url);
      placed = true;
      continue;
    }
    // Field codes that stand alone and have no value here (%i, %c, %k and the old ones).
    if (word.size() == 2 && word[0] == '%' && word[1] != '%') continue;
    std::string argument;
    for (std::size_t i = 0; i < word.size(); ++i) {
      if (word[i] == '%' && i + 1 < word.size()) {
        if (word[i + 1] == '%') argument += '%';
        ++i;
      } else {
        argument += word[i];
      }
    }
    arguments.push_back(argument);
  }
  if (!placed) arguments.push_back(url);
  return arguments;
}
