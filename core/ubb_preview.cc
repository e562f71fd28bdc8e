#include "core/ubb_preview.h"

#include <array>
#include <optional>
#include <vector>

#include "core/text_util.h"

namespace quorlix {
namespace {

enum class Tag : unsigned char {
  kBold,
  kItalic,
  kUnderline,
  kStrike,
  kColor,
  kSize,
  kUrl,
  kQuote,
  kCode,
  kImg
};
constexpr std::size_t kTagCount = 10;

struct TagName {
  std::string_view name;
  Tag tag;
};
constexpr TagName kTagNames[kTagCount] = {
    {"b", Tag::kBold},      {"i", Tag::kItalic},  {"u", Tag::kUnderline}, {"s", Tag::kStrike},
    {"color", Tag::kColor}, {"size", Tag::kSize}, {"url", Tag::kUrl},     {"quote", Tag::kQuote},
    {"code", Tag::kCode},   {"img", Tag::kImg},
};
// Longer values are no values: the checks below then stay constant-time.
constexpr std::size_t kMaxValue = 2048;
constexpr std::size_t kMaxColorName = 20;

enum class Kind : unsigned char { kText, kOpen, kClose, kRaw };

struct Token {
  Kind kind = Kind::kText;
  Tag tag = Tag::kBold;
  std::string_view text;   // the source text of the token
  std::string_view value;  // an opener's value (its closer's too, once paired); raw content
  bool paired = false;
};

std::optional<Tag> FindTag(std::string_view name) {
  for (const TagName& entry : kTagNames) {
    if (EqualsIgnoreAsciiCase(name, entry.name)) return entry.tag;
  }
  return std::nullopt;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsColorValue(std::string_view value) {
  if (!value.empty() && value[0] == '#') {
    const std::string_view digits = value.substr(1);
    if (digits.size() != 3 && digits.size() != 6) return false;
    for (char c : digits)
      if (!IsHexDigit(c)) return false;
    return true;
  }
  if (value.empty() || value.size() > kMaxColorName) return false;
  for (char c : value)
    if (!IsLetter(c)) return false;
  return true;
}

// 1 to 72, or 0 for anything else.
int SizeValue(std::string_view value) {
  if (value.empty() || value.size() > 2) return 0;
  int size = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return 0;
    size = size * 10 + (c - '0');
  }
  return size <= 72 ? size : 0;
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool ValueFits(Tag tag, std::string_view value) {
  switch (tag) {
    case Tag::kColor: return IsColorValue(value);
    case Tag::kSize: return SizeValue(value) != 0;
    case Tag::kUrl: return !Unquoted(value).empty();
    case Tag::kQuote: return true;
    default: return false;  // the others take no value
  }
}

bool IsRaw(const Token& token) {
  return token.tag == Tag::kCode || token.tag == Tag::kImg ||
         (token.tag == Tag::kUrl && token.value.empty());
}

// Reads what stands between "[" and "]" as a tag; false when it is none.
bool ReadTag(std::string_view inner, Token& token) {
  token.kind = Kind::kOpen;
  if (!inner.empty() && inner[0] == '/') {
    token.kind = Kind::kClose;
    inner.remove_prefix(1);
  }
  // A name has at most 5 letters: look no further for its "=".
  const std::size_t equals = inner.substr(0, 6).find('=');
  const std::string_view name = inner.substr(0, equals);
  if (name.size() > 5) return false;
  const std::optional<Tag> tag = FindTag(name);
  if (!tag) return false;
  token.tag = *tag;
  if (equals == std::string_view::npos) {
    return token.kind == Kind::kClose || (tag != Tag::kColor && tag != Tag::kSize);
  }
  if (token.kind == Kind::kClose) return false;
  token.value = inner.substr(equals + 1);
  return token.value.size() <= kMaxValue && ValueFits(*tag, token.value);
}

// Finds in `text` the first occurrence of a fixed needle ignoring letter
// case, at or after a position that never moves backwards between calls:
// each byte is looked at once over all calls.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string needle)
      : text_(text), needle_(std::move(needle)) {}

  std::size_t Find(std::size_t from) {
    if (found_ != std::string_view::npos && found_ >= from) return found_;
    if (found_ == std::string_view::npos && searched_ && from >= searched_from_) return found_;
    searched_ = true;
    searched_from_ = from;
    found_ = std::string_view::npos;
    for (std::size_t at = text_.find(needle_[0], from); at != std::string_view::npos;
         at = text_.find(needle_[0], at + 1)) {
      if (EqualsIgnoreAsciiCase(text_.substr(at, needle_.size()), needle_)) {
        found_ = at;
        break;
      }
    }
    return found_;
  }
  std::size_t needle_size() const { return needle_.size(); }

 private:
  std::string_view text_;
  std::string needle_;
  bool searched_ = false;
  std::size_t searched_from_ = 0;
  std::size_t found_ = std::string_view::npos;
};

Token TextToken(std::string_view text) {
  Token token;
  token.text = text;
  return token;
}

std::vector<Token> Tokenize(std::string_view ubb) {
  std::vector<Token> tokens;
  ForwardFinder bracket(ubb, "]");
  std::array<ForwardFinder, 3> raw_closers = {
      ForwardFinder(ubb, "[/code]"), ForwardFinder(ubb, "[/img]"), ForwardFinder(ubb, "[/url]")};
  std::size_t text_start = 0;
  std::size_t at = 0;
  while ((at = ubb.find('[', at)) != std::string_view::npos) {
    const std::size_t close = bracket.Find(at + 1);
    if (close == std::string_view::npos) break;  // no tag can follow
    Token token;
    if (!ReadTag(ubb.substr(at + 1, close - at - 1), token)) {
      ++at;
      continue;
    }
    std::size_t end = close + 1;
    if (token.kind == Kind::kOpen && IsRaw(token)) {
      const std::size_t which = token.tag == Tag::kCode ? 0 : token.tag == Tag::kImg ? 1 : 2;
      ForwardFinder& closers = raw_closers[which];
      const std::size_t closer = closers.Find(end);
      if (closer == std::string_view::npos) {
        ++at;
        continue;
      }
      token.kind = Kind::kRaw;
      token.value = ubb.substr(end, closer - end);
      end = closer + closers.needle_size();
    }
    if (text_start < at) tokens.push_back(TextToken(ubb.substr(text_start, at - text_start)));
    token.text = ubb.substr(at, end - at);
    tokens.push_back(token);
    at = text_start = end;
  }
  if (text_start < ubb.size()) tokens.push_back(TextToken(ubb.substr(text_start)));
  return tokens;
}

// Pairs each closer with the innermost open tag of its name. Open tags
// inside that one lose their chance (they stay text), so each token is
// pushed and popped at most once.
void PairTags(std::vector<Token>& tokens) {
  std::vector<std::size_t> open;
  std::array<std::size_t, kTagCount> open_count{};
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    Token& token = tokens[i];
    const auto tag = static_cast<std::size_t>(token.tag);
    if (token.kind == Kind::kOpen) {
      open.push_back(i);
      ++open_count[tag];
    } else if (token.kind == Kind::kClose && open_count[tag] > 0) {
      for (;;) {
        Token& opener = tokens[open.back()];
        open.pop_back();
        --open_count[static_cast<std::size_t>(opener.tag)];
        if (opener.tag == token.tag) {
          opener.paired = token.paired = true;
          token.value = opener.value;
          break;
        }
      }
    }
  }
}

void AppendEscaped(std::string& out, std::string_view text, bool break_lines) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': break;
      case '\n': out += break_lines ? "<br>\n" : "\n"; break;
      default: out += c;
    }
  }
}

void AppendLink(std::string& out, std::string_view address, std::string_view shown) {
  out += "<a href=\"";
  AppendEscaped(out, address, false);
  out += "\">";
  AppendEscaped(out, shown, true);
  out += "</a>";
}

void AppendOpen(std::string& out, const Token& token) {
  switch (token.tag) {
    case Tag::kBold: out += "<b>"; break;
    case Tag::kItalic: out += "<i>"; break;
    case Tag::kUnderline: out += "<u>"; break;
    case Tag::kStrike: out += "<s>"; break;
    case Tag::kColor:
      out += "<font color=\"";
      out += token.value;  // checked: "#" and hex digits, or letters
      out += "\">";
      break;
    case Tag::kSize: {
      const int size = SizeValue(token.value);
      out += size <= 7 ? "<font size=\"" + std::to_string(size) + "\">"
                       : "<span style=\"font-size:" + std::to_string(size) + "pt\">";
      break;
    }
    case Tag::kUrl:
      out += "<a href=\"";
      AppendEscaped(out, Unquoted(token.value), false);
      out += "\">";
      break;
    case Tag::kQuote:
      out += "<blockquote>";
      if (!token.value.empty()) {
        out += "<b>";
        AppendEscaped(out, token.value, true);
        out += " wrote:</b><br>";
      }
      break;
    default: break;
  }
}

void AppendClose(std::string& out, const Token& token) {
  switch (token.tag) {
    case Tag::kBold: out += "</b>"; break;
    case Tag::kItalic: out += "</i>"; break;
    case Tag::kUnderline: out += "</u>"; break;
    case Tag::kStrike: out += "</s>"; break;
    case Tag::kColor: out += "</font>"; break;
    case Tag::kSize: out += SizeValue(token.value) <= 7 ? "</font>" : "</span>"; break;
    case Tag::kUrl: out += "</a>"; break;
    case Tag::kQuote: out += "</blockquote>"; break;
    default: break;
  }
}

void AppendRaw(std::string& out, const Token& token) {
  if (token.tag == Tag::kCode) {
    out += "<pre>";
    AppendEscaped(out, token.value, false);
    out += "</pre>";
  } else if (token.tag == Tag::kImg) {
    out += "[image: ";
    AppendLink(out, token.value, token.value);
    out += "]";
  } else {
    AppendLink(out, token.value, token.value);
  }
}

}  // namespace

std::string UbbToHtml(std::string_view ubb) {
  std::vector<Token> tokens = Tokenize(ubb);
  PairTags(tokens);
  std::string html;
  html.reserve(ubb.size() + ubb.size() / 4);
  for (const Token& token : tokens) {
    if (token.kind == Kind::kRaw) {
      AppendRaw(html, token);
    } else if (token.kind == Kind::kOpen && token.paired) {
      AppendOpen(html, token);
    } else if (token.kind == Kind::kClose && token.paired) {
      AppendClose(html, token);
    } else {
      AppendEscaped(html, token.text, true);
    }
  }
  return html;
}

}  // namespace quorlix
