#include "core/preview/ubb_preview.h"

#include <array>
#include <optional>
#include <vector>

#include "core/text/named_colors.h"
#include "core/text/text_util.h"

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
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct TagName {
  std::string_view name;
  Tag tag;
};
constexpr TagName kTagNames[kTagCount] = {
    {"b", Tag::kBold},      {"i", Tag::kItalic},  {"u", Tag::kUnderline}, {"s", Tag::kStrike},
    {"color", Tag::kColor}, {"size", Tag::kSize}, {"url", Tag::kUrl},     {"quote", Tag::kQuote},
    {"code", Tag::kCode},   {"img", Tag::kImg},
};

enum class Kind : unsigned char { kText, kOpen, kClose };

struct Token {
  Kind kind = Kind::kText;
  Tag tag = Tag::kBold;
  bool raw = false;  // an opener whose content up to its closer is text
  bool paired = false;
  std::size_t partner = kNone;  // the index of the other token of the pair
  std::string_view text;        // the source text of the token
  std::string_view value;       // an opener's value, its quotes dropped
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

bool IsColorValue(std::string_view value) {
  if (value.empty() || value[0] != '#') return FindNamedColor(value) != nullptr;
  const std::string_view digits = value.substr(1);
  if (digits.size() != 3 && digits.size() != 6) return false;
  for (char c : digits)
    if (!IsHexDigit(c)) return false;
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

// An address that forums make a link or a picture of: http, https, ftp or
// mailto, and something after the scheme. Anything else ("javascript:",
// "www.example.com") they show as text.
bool IsLinkAddress(std::string_view address) {
  for (std::string_view scheme : {"http://", "https://", "ftp://", "mailto:"}) {
    if (address.size() > scheme.size() &&
        EqualsIgnoreAsciiCase(address.substr(0, scheme.size()), scheme)) {
      return true;
    }
  }
  return false;
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool ValueFits(Tag tag, std::string_view value) {
  switch (tag) {
    case Tag::kColor: return IsColorValue(value);
    case Tag::kSize: return SizeValue(value) != 0;
    case Tag::kUrl: return IsLinkAddress(value);
    case Tag::kQuote: return true;
    default: return false;  // the others take no value
  }
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
    token.raw =
        token.kind == Kind::kOpen && (tag == Tag::kCode || tag == Tag::kImg || tag == Tag::kUrl);
    return token.kind == Kind::kClose || (tag != Tag::kColor && tag != Tag::kSize);
  }
  if (token.kind == Kind::kClose) return false;
  token.value = Unquoted(inner.substr(equals + 1));
  return ValueFits(*tag, token.value);
}

Token TextToken(std::string_view text) {
  Token token;
  token.text = text;
  return token;
}

// A tag is a "[" and the first "]" after it with no "[" between; each
// byte is looked at once.
std::vector<Token> Tokenize(std::string_view ubb) {
  std::vector<Token> tokens;
  std::size_t text_start = 0;
  for (std::size_t at = ubb.find('['); at != std::string_view::npos;) {
    const std::size_t end = ubb.find_first_of("[]", at + 1);
    if (end == std::string_view::npos) break;
    if (ubb[end] == '[') {
      at = end;
      continue;
    }
    Token token;
    if (ReadTag(ubb.substr(at + 1, end - at - 1), token)) {
      if (text_start < at) tokens.push_back(TextToken(ubb.substr(text_start, at - text_start)));
      token.text = ubb.substr(at, end + 1 - at);
      tokens.push_back(token);
      text_start = end + 1;
    }
    at = ubb.find('[', end + 1);
  }
  if (text_start < ubb.size()) tokens.push_back(TextToken(ubb.substr(text_start)));
  return tokens;
}

std::string_view Between(const Token& opener, const Token& closer) {
  const char* start = opener.text.data() + opener.text.size();
  return std::string_view(start, static_cast<std::size_t>(closer.text.data() - start));
}

void Pair(std::vector<Token>& tokens, std::size_t opener, std::size_t closer) {
  tokens[opener].paired = tokens[closer].paired = true;
  tokens[opener].partner = closer;
  tokens[closer].partner = opener;
  tokens[closer].value = tokens[opener].value;
}

// Pairs each closer with the innermost open tag of its name. Open tags
// inside that one lose their chance (they stay text), so each token is
// pushed and popped at most once. Raw tags pair alike; the pairs inside
// them are ignored later.
void PairTags(std::vector<Token>& tokens) {
  std::vector<std::size_t> open;
  std::array<std::size_t, kTagCount> open_count{};
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    const auto tag = static_cast<std::size_t>(token.tag);
    if (token.kind == Kind::kOpen) {
      open.push_back(i);
      ++open_count[tag];
    } else if (token.kind == Kind::kClose && open_count[tag] > 0) {
      for (;;) {
        const std::size_t opener = open.back();
        open.pop_back();
        --open_count[static_cast<std::size_t>(tokens[opener].tag)];
        if (tokens[opener].tag == token.tag) {
          // A link or picture of no address forums link stays text.
          const bool bad_link =
              (token.tag == Tag::kUrl || token.tag == Tag::kImg) &&
              (opener + 1 == i ||
               (tokens[opener].raw && !IsLinkAddress(Between(tokens[opener], token))));
          if (!bad_link) Pair(tokens, opener, i);
          break;
        }
      }
    }
  }
}

// Unpairs every pair that lies more than kMaxTagDepth pairs deep.
void CapDepth(std::vector<Token>& tokens) {
  std::size_t depth = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    Token& token = tokens[i];
    if (!token.paired) continue;
    if (token.kind == Kind::kClose) {
      --depth;
    } else if (depth == kMaxTagDepth) {
      token.paired = tokens[token.partner].paired = false;
    } else if (token.raw) {
      i = token.partner;  // nothing inside is a tag
    } else {
      ++depth;
    }
  }
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': break;
      default: out += c;
    }
  }
}

void AppendLink(std::string& out, std::string_view address, std::string_view shown) {
  out += "<a href=\"";
  AppendEscaped(out, address);
  out += "\">";
  AppendEscaped(out, shown);
  out += "</a>";
}

void AppendColor(std::string& out, std::string_view value) {
  if (value[0] == '#') {
    out += value;  // checked: "#" and hex digits
    return;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  const uint32_t rgb = FindNamedColor(value)->rgb;
  out += '#';
  for (int shift = 20; shift >= 0; shift -= 4) out += kDigits[(rgb >> shift) & 0xF];
}

void AppendOpen(std::string& out, const Token& token) {
  switch (token.tag) {
    case Tag::kBold: out += "<b>"; break;
    case Tag::kItalic: out += "<i>"; break;
    case Tag::kUnderline: out += "<u>"; break;
    case Tag::kStrike: out += "<s>"; break;
    case Tag::kColor:
      out += "<font color=\"";
      AppendColor(out, token.value);
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
      AppendEscaped(out, token.value);
      out += "\">";
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
    default: break;
  }
}

// Writes the Html of paired tags and text in order. Quotations and code
// are blocks; a viewer lays out formats that span a block, and text that
// follows a block inside a quotation without a block of its own, as if
// they stood outside the quotation. So the text formats in effect are
// closed before every block boundary and opened again before the next
// text, and such text goes into a <div>.
class HtmlWriter {
 public:
  explicit HtmlWriter(std::string& out) : out_(out) {}

  void Text(std::string_view text) {
    BeforeInline();
    AppendEscaped(out_, text);
  }
  // Formats are written at the next text, so none is ever left empty.
  void OpenFormat(const Token& token) { formats_.push_back(&token); }
  void CloseFormat() {
    const Token& token = *formats_.back();
    formats_.pop_back();
    if (formats_written_ > formats_.size()) {
      AppendClose(out_, token);
      --formats_written_;
    }
  }
  void Raw(const Token& token, std::string_view content) {
    if (token.tag == Tag::kCode) {
      BeforeBlock();
      out_ += "<pre>";
      AppendEscaped(out_, content);
      out_ += "</pre>";
      AfterBlock();
      return;
    }
    BeforeInline();
    if (token.tag == Tag::kImg) out_ += "[image: ";
    AppendLink(out_, content, content);
    if (token.tag == Tag::kImg) out_ += "]";
  }
  void OpenQuote(const Token& token) {
    BeforeBlock();
    out_ += "<blockquote>";
    if (!token.value.empty()) {
      out_ += "<b>";
      AppendEscaped(out_, token.value);
      out_ += " wrote:</b>\n";
    }
    quotes_.push_back(Quote{});
  }
  void CloseQuote() {
    BeforeBlock();
    out_ += "</blockquote>";
    quotes_.pop_back();
    AfterBlock();
  }

 private:
  struct Quote {
    bool after_block = false;  // a quotation or code ended inside it
    bool in_div = false;
  };

  void BeforeInline() {
    if (!quotes_.empty() && quotes_.back().after_block && !quotes_.back().in_div) {
      out_ += "<div>";
      quotes_.back().in_div = true;
    }
    for (; formats_written_ < formats_.size(); ++formats_written_) {
      AppendOpen(out_, *formats_[formats_written_]);
    }
  }
  void BeforeBlock() {
    while (formats_written_ > 0) AppendClose(out_, *formats_[--formats_written_]);
    if (!quotes_.empty() && quotes_.back().in_div) {
      out_ += "</div>";
      quotes_.back().in_div = false;
    }
  }
  void AfterBlock() {
    if (!quotes_.empty()) quotes_.back().after_block = true;
  }

  std::string& out_;
  std::vector<const Token*> formats_;  // the paired formats open at this point
  std::size_t formats_written_ = 0;    // the first ones of them, open in the Html
  std::vector<Quote> quotes_;
};

}  // namespace

std::string UbbToHtml(std::string_view ubb) {
  std::vector<Token> tokens = Tokenize(ubb);
  PairTags(tokens);
  CapDepth(tokens);
  std::string html;
  html.reserve(ubb.size() + ubb.size() / 4);
  html += kUbbHtmlStart;
  HtmlWriter writer(html);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (!token.paired) {
      writer.Text(token.text);
    } else if (token.raw) {
      writer.Raw(token, Between(token, tokens[token.partner]));
      i = token.partner;
    } else if (token.tag == Tag::kQuote) {
      token.kind == Kind::kOpen ? writer.OpenQuote(token) : writer.CloseQuote();
    } else {
      token.kind == Kind::kOpen ? writer.OpenFormat(token) : writer.CloseFormat();
    }
  }
  html += kUbbHtmlEnd;
  return html;
}

}  // namespace quorlix
