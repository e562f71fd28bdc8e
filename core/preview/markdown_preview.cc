#include "core/preview/markdown_preview.h"

#include <cstddef>
#include <vector>

namespace quorlix {
namespace {

bool IsAsciiPunctuation(char c) {
  return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
         (c >= '{' && c <= '~');
}

enum class Kind { kChar, kStar, kStars, kOpenBracket, kCloseBracket, kOpenParen, kCloseParen };

struct Token {
  Kind kind;
  char c;  // for kChar
};

// One line's tokens; an escaped character is a plain one.
void Tokenize(std::string_view line, std::vector<Token>& tokens) {
  tokens.clear();
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\' && i + 1 < line.size() && IsAsciiPunctuation(line[i + 1])) {
      tokens.push_back({Kind::kChar, line[++i]});
    } else if (c == '*' && i + 1 < line.size() && line[i + 1] == '*') {
      tokens.push_back({Kind::kStars, 0});
      ++i;
    } else if (c == '*') {
      tokens.push_back({Kind::kStar, 0});
    } else if (c == '[') {
      tokens.push_back({Kind::kOpenBracket, 0});
    } else if (c == ']') {
      tokens.push_back({Kind::kCloseBracket, 0});
    } else if (c == '(') {
      tokens.push_back({Kind::kOpenParen, 0});
    } else if (c == ')') {
      tokens.push_back({Kind::kCloseParen, 0});
    } else if (c != '\r') {
      tokens.push_back({Kind::kChar, c});
    }
  }
}

char TextOf(const Token& token) {
  switch (token.kind) {
    case Kind::kChar: return token.c;
    case Kind::kOpenBracket: return '[';
    case Kind::kCloseBracket: return ']';
    case Kind::kOpenParen: return '(';
    case Kind::kCloseParen: return ')';
    default: return '*';
  }
}

void AppendEscaped(std::string& out, char c) {
  switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    default: out += c;
  }
}

void AppendToken(std::string& out, const Token& token) {
  AppendEscaped(out, TextOf(token));
  if (token.kind == Kind::kStars) out += '*';
}

class LineRenderer {
 public:
  LineRenderer(const std::vector<Token>& tokens, std::string& out) : tokens_(tokens), out_(out) {
    // For each position, where the next token of each kind is (npos: none).
    const std::size_t n = tokens.size();
    next_star_.assign(n + 1, kNone);
    next_stars_.assign(n + 1, kNone);
    next_open_bracket_.assign(n + 1, kNone);
    next_close_bracket_.assign(n + 1, kNone);
    next_close_paren_.assign(n + 1, kNone);
    for (std::size_t i = n; i-- > 0;) {
      next_star_[i] = tokens[i].kind == Kind::kStar ? i : next_star_[i + 1];
      next_stars_[i] = tokens[i].kind == Kind::kStars ? i : next_stars_[i + 1];
      next_open_bracket_[i] = tokens[i].kind == Kind::kOpenBracket ? i : next_open_bracket_[i + 1];
      next_close_bracket_[i] =
          tokens[i].kind == Kind::kCloseBracket ? i : next_close_bracket_[i + 1];
      next_close_paren_[i] = tokens[i].kind == Kind::kCloseParen ? i : next_close_paren_[i + 1];
    }
  }

  void Render() {
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
      const Token& token = tokens_[i];
      if (token.kind == Kind::kStars) {
        Toggle(bold_, next_stars_[i + 1], "<b>", "</b>", token);
      } else if (token.kind == Kind::kStar) {
        Toggle(italic_, next_star_[i + 1], "<i>", "</i>", token);
      } else if (token.kind == Kind::kOpenBracket) {
        i = Link(i);
      } else {
        AppendToken(out_, token);
      }
    }
    if (italic_) out_ += "</i>";
    if (bold_) out_ += "</b>";
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  void Toggle(bool& open, std::size_t partner, const char* start, const char* end,
              const Token& token) {
    if (open) {
      out_ += end;
      open = false;
    } else if (partner != kNone) {
      out_ += start;
      open = true;
    } else {
      AppendToken(out_, token);
    }
  }

  // At "[": the link it opens, or the "[" alone. Returns the last token used.
  std::size_t Link(std::size_t open) {
    // The innermost "[" before the "]" opens the link.
    const std::size_t close = next_close_bracket_[open + 1];
    const std::size_t end = next_open_bracket_[open + 1] < close ? kNone : LinkEnd(close);
    if (end == kNone) {
      AppendToken(out_, tokens_[open]);
      return open;
    }
    out_ += "<a href=\"";
    for (std::size_t k = close + 2; k < end; ++k) AppendEscaped(out_, TextOf(tokens_[k]));
    out_ += "\">";
    for (std::size_t k = open + 1; k < close; ++k) AppendToken(out_, tokens_[k]);
    out_ += "</a>";
    return end;
  }

  // The ")" that ends a web address "(http...)" right after the "]" at
  // `close`, or kNone. Every "[" before that "]" asks about the same one:
  // the answer is kept, so that the address is read once.
  std::size_t LinkEnd(std::size_t close) {
    if (close == checked_close_) return checked_end_;
    checked_close_ = close;
    checked_end_ = kNone;
    if (close == kNone || close + 1 >= tokens_.size() ||
        tokens_[close + 1].kind != Kind::kOpenParen) {
      return kNone;
    }
    const std::size_t end = next_close_paren_[close + 2];
    if (end == kNone) return kNone;
    std::string address;
    for (std::size_t k = close + 2; k < end; ++k) address += TextOf(tokens_[k]);
    const bool web = address.starts_with("http://") || address.starts_with("https://");
    if (web && address.find(' ') == std::string::npos) checked_end_ = end;
    return checked_end_;
  }

  const std::vector<Token>& tokens_;
  std::string& out_;
  std::vector<std::size_t> next_star_, next_stars_, next_open_bracket_, next_close_bracket_,
      next_close_paren_;
  std::size_t checked_close_ = kNone - 1;
  std::size_t checked_end_ = kNone;
  bool bold_ = false;
  bool italic_ = false;
};

}  // namespace

std::string MarkdownToHtml(std::string_view markdown) {
  std::string html;
  html.reserve(markdown.size() + markdown.size() / 4);
  std::vector<Token> tokens;
  std::size_t start = 0;
  while (start <= markdown.size()) {
    std::size_t end = markdown.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = markdown.size();
    Tokenize(markdown.substr(start, end - start), tokens);
    LineRenderer(tokens, html).Render();
    if (last) break;
    html += "<br>\n";
    start = end + 1;
  }
  return html;
}

}  // namespace quorlix
