#include "registry/hive_file/hive_file.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "common/ascii.h"
#include "common/utf8.h"

namespace zub::posix {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::size_t kHexLineWidth = 77;  // regedit keeps hex lines within 80 columns
constexpr char kHexDigits[] = "0123456789abcdef";
// Windows keeps keys within 512 levels. Deeper ones only come from a damaged or hostile file,
// and would cost the reader and the writer stack and time in proportion.
constexpr std::size_t kMaxKeyDepth = 512;

// --- writing

// The writer's text: counted, and handed on in pieces where there is a sink.
class Output {
 public:
  explicit Output(const HiveFileSink* sink) : sink_(sink) {}

  void add(std::string_view text) {
    size_ += text.size();
    if (sink_ == nullptr || failed_) return;
    buffer_.append(text);
    if (buffer_.size() >= kPieceBytes) flush();
  }
  void add(char c) { add(std::string_view(&c, 1)); }

  // Bytes so far.
  std::size_t size() const { return size_; }
  // False when the sink refused a piece.
  bool finish() {
    flush();
    return !failed_;
  }

 private:
  static constexpr std::size_t kPieceBytes = 64 * 1024;

  void flush() {
    if (sink_ == nullptr || failed_ || buffer_.empty()) return;
    failed_ = !(*sink_)(buffer_);
    buffer_.clear();
  }

  const HiveFileSink* sink_;
  std::string buffer_;
  std::size_t size_ = 0;
  bool failed_ = false;
};

void append_escaped(Output& out, std::string_view text) {
  for (const char c : text) {
    if (c == '\\' || c == '"') out.add('\\');
    out.add(c);
  }
}

void append_name(Output& out, std::u16string_view name) {
  if (name.empty()) {
    out.add('@');
    return;
  }
  out.add('"');
  append_escaped(out, utf16_to_utf8_lossy(name));
  out.add('"');
}

// The text of REG_SZ data that is exactly one terminated string on one line.
std::optional<std::string> plain_string(const RegistryValue& value) {
  const auto& data = value.data;
  if (value.type != kRegSz || data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  std::u16string units;
  units.reserve(data.size() / 2);
  for (std::size_t i = 0; i < data.size(); i += 2) {
    units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  if (units.back() != u'\0') return std::nullopt;
  units.pop_back();
  if (units.find_first_of(std::u16string_view(u"\0\r\n", 3)) != std::u16string::npos) {
    return std::nullopt;
  }
  return utf16_to_utf8_strict(units);
}

void append_hex_bytes(Output& out, const std::vector<std::uint8_t>& data,
                      std::size_t line_start) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    const char digits[] = {kHexDigits[data[i] >> 4], kHexDigits[data[i] & 0xF]};
    out.add(std::string_view(digits, 2));
    if (i + 1 == data.size()) break;
    out.add(',');
    if (out.size() - line_start >= kHexLineWidth) {
      out.add("\\\n  ");
      line_start = out.size() - 2;
    }
  }
}

void append_value(Output& out, const RegistryValue& value) {
  const std::size_t line_start = out.size();
  append_name(out, value.name);
  out.add('=');
  if (auto text = plain_string(value)) {
    out.add('"');
    append_escaped(out, *text);
    out.add('"');
  } else if (value.type == kRegDword && value.data.size() == 4) {
    const std::uint32_t number = static_cast<std::uint32_t>(value.data[0]) |
                                 static_cast<std::uint32_t>(value.data[1]) << 8 |
                                 static_cast<std::uint32_t>(value.data[2]) << 16 |
                                 static_cast<std::uint32_t>(value.data[3]) << 24;
    out.add("dword:");
    for (int shift = 28; shift >= 0; shift -= 4) out.add(kHexDigits[(number >> shift) & 0xF]);
  } else {
    if (value.type == kRegBinary) {
      out.add("hex:");
    } else {
      std::string type;
      std::uint32_t rest = value.type;
      do {
        type.insert(type.begin(), kHexDigits[rest & 0xF]);
        rest >>= 4;
      } while (rest != 0);
      out.add("hex(");
      out.add(type);
      out.add("):");
    }
    append_hex_bytes(out, value.data, line_start);
  }
  out.add('\n');
}

// `path` is the key's own path; it is lengthened for each child and cut back afterwards, so a
// key costs its name, never a copy of the path above it.
void append_key(Output& out, const RegistryTreeKey& key, std::string& path, bool is_root) {
  if (!is_root || !key.values().empty()) {
    out.add('[');
    out.add(path);
    out.add("]\n");
    for (const auto& [folded, value] : key.values()) append_value(out, value);
    out.add('\n');
  }
  const std::size_t length = path.size();
  for (const auto& [folded, child] : key.children()) {
    path += '\\';
    path += utf16_to_utf8_lossy(child->name());
    append_key(out, *child, path, false);
    path.resize(length);
  }
}

bool write_tree(Output& out, const RegistryTree& tree, Hive hive) {
  out.add(kHeader);
  out.add("\n\n");
  std::string path(hive_name(hive));
  append_key(out, tree.root(), path, true);
  return out.finish();
}

// --- reading

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && (is_blank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (is_blank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// 1 to `max_digits` hex digits, the whole of `text`.
std::optional<std::uint32_t> parse_hex_number(std::string_view text, std::size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  std::uint32_t number = 0;
  for (const char c : text) {
    const auto digit = hex_digit_value(c);
    if (!digit) return std::nullopt;
    number = number << 4 | *digit;
  }
  return number;
}

// "01,02,ab": bytes of one or two hex digits, blanks around them allowed.
std::optional<std::vector<std::uint8_t>> parse_hex_bytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  text = trim(text);
  if (text.empty()) return bytes;
  bytes.reserve(text.size() / 3 + 1);
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::size_t length = comma == std::string_view::npos ? comma : comma - start;
    const auto token = trim(text.substr(start, length));
    const auto number = parse_hex_number(token, 2);
    if (!number) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*number));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return bytes;
}

// A quoted string at the start of `text` (which begins with '"'): its content, and `text`
// advanced past the closing quote. "\\" and "\"" are escapes; a backslash before any other
// character stands for itself, as a hand-written file may hold "C:\Daten".
std::optional<std::string> parse_quoted(std::string_view& text) {
  std::string content;
  std::size_t i = 1;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return content;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      content += text[i + 1];
      i += 2;
      continue;
    }
    content += c;
    ++i;
  }
  return std::nullopt;
}

class Parser {
 public:
  Parser(Hive hive, RegistryTree& tree) : hive_(hive), tree_(tree) {}

  std::optional<std::string> section(std::string_view line) {
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || !trim(line.substr(close + 1)).empty()) {
      return "section without closing bracket";
    }
    const std::string_view path = line.substr(1, close - 1);
    if (!path.empty() && path.front() == '-') return "deletion entries are not stored state";
    const std::size_t split = path.find('\\');
    if (!equal_ignoring_ascii_case(path.substr(0, split), hive_name(hive_))) {
      return "section outside " + std::string(hive_name(hive_));
    }
    std::vector<std::u16string> components;
    if (split != std::string_view::npos) {
      // Counted before splitting: a line of millions of levels would cost memory in proportion.
      const std::string_view below = path.substr(split + 1);
      if (static_cast<std::size_t>(std::count(below.begin(), below.end(), '\\')) > kMaxKeyDepth) {
        return "key nested deeper than 512 levels";
      }
      auto parsed = split_key_path(utf8_to_utf16(below));
      if (!parsed || parsed->empty()) return "empty key name";
      if (parsed->size() > kMaxKeyDepth) return "key nested deeper than 512 levels";
      components = std::move(*parsed);
    }
    bool created = false;
    key_ = &tree_.create(components, created);
    return std::nullopt;
  }

  std::optional<std::string> value(std::string_view line) {
    if (key_ == nullptr) return "value outside a section";
    std::u16string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else {
      auto quoted = parse_quoted(line);
      if (!quoted) return "unterminated value name";
      name = utf8_to_utf16(*quoted);
    }
    line = trim(line);
    if (line.empty() || line.front() != '=') return "missing '=' after the value name";
    line = trim(line.substr(1));

    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> data;
    if (!line.empty() && line.front() == '"') {
      auto text = parse_quoted(line);
      if (!text) return "unterminated string";
      if (!trim(line).empty()) return "text after the string";
      data = reg_sz_bytes(utf8_to_utf16(*text));
    } else if (line.substr(0, 6) == "dword:") {
      const auto number = parse_hex_number(trim(line.substr(6)), 8);
      if (!number) return "malformed dword";
      type = kRegDword;
      for (int shift = 0; shift < 32; shift += 8) {
        data.push_back(static_cast<std::uint8_t>(*number >> shift));
      }
    } else if (line.substr(0, 4) == "hex:" || line.substr(0, 4) == "hex(") {
      std::size_t start = 4;
      type = kRegBinary;
      if (line[3] == '(') {
        const std::size_t close = line.find("):");
        if (close == std::string_view::npos) return "malformed hex type";
        const auto number = parse_hex_number(line.substr(4, close - 4), 8);
        if (!number) return "malformed hex type";
        type = *number;
        start = close + 2;
      }
      auto bytes = parse_hex_bytes(line.substr(start));
      if (!bytes) return "malformed hex bytes";
      data = std::move(*bytes);
    } else if (line == "-") {
      return "deletion entries are not stored state";
    } else {
      return "unknown value format";
    }
    key_->set_value(name, type, std::move(data));
    return std::nullopt;
  }

 private:
  Hive hive_;
  RegistryTree& tree_;
  RegistryTreeKey* key_ = nullptr;
};

// The file's text as UTF-8, whatever of the three encodings it uses.
Result<std::string, HiveParseError> decode(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) return fail(HiveParseError{0, "UTF-16 file of odd length"});
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    auto text = utf16_to_utf8_strict(units);
    if (!text) return fail(HiveParseError{0, "unpaired surrogate in UTF-16 file"});
    return std::move(*text);
  }
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (auto error = check_utf8(bytes)) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < error->index; ++i) line += bytes[i] == '\n';
    return fail(HiveParseError{line, "not UTF-8"});
  }
  return std::string(bytes);
}

}  // namespace

Result<RegistryTree, HiveParseError> parse_hive_file(std::string_view bytes, Hive hive) {
  auto decoded = decode(bytes);
  if (decoded.has_error()) return fail(std::move(decoded).error());
  const std::string& text = decoded.value();

  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = text.find('\n', start);
    const std::size_t length = end == std::string::npos ? end : end - start;
    lines.push_back(std::string_view(text).substr(start, length));
    if (end == std::string::npos) break;
    start = end + 1;
  }

  RegistryTree tree;
  Parser parser(hive, tree);
  bool header_seen = false;
  std::string logical;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t line_number = i + 1;
    std::string_view line = trim(lines[i]);
    if (line.empty() || line.front() == ';') continue;
    if (!header_seen) {
      if (line != kHeader) return fail(HiveParseError{line_number, "missing header"});
      header_seen = true;
      continue;
    }
    // A line ending in "\" goes on in the next one, whose leading blanks do not count.
    if (line.back() == '\\') {
      logical.assign(line.substr(0, line.size() - 1));
      while (i + 1 < lines.size()) {
        const std::string_view next = trim(lines[++i]);
        if (!next.empty() && next.back() == '\\') {
          logical += next.substr(0, next.size() - 1);
          continue;
        }
        logical += next;
        break;
      }
      line = logical;
    }
    const auto error = line.front() == '[' ? parser.section(line) : parser.value(line);
    if (error) return fail(HiveParseError{line_number, *error});
  }
  add_builtin_keys(hive, tree);
  return tree;
}

std::size_t hive_file_size(const RegistryTree& tree, Hive hive) {
  Output counter(nullptr);
  write_tree(counter, tree, hive);
  return counter.size();
}

bool write_hive_file(const RegistryTree& tree, Hive hive, const HiveFileSink& write) {
  Output out(&write);
  return write_tree(out, tree, hive);
}

std::string write_hive_file(const RegistryTree& tree, Hive hive) {
  std::string text;
  write_hive_file(tree, hive, [&text](std::string_view piece) {
    text.append(piece);
    return true;
  });
  return text;
}

}  // namespace zub::posix
