// The hive files of the Linux registry stand-in, which other programs and people write too:
// whatever parses, written back and parsed again, is the same tree; and any tree the launcher
// can make survives the trip through its file.

#include <cstdint>
#include <string>

#include "common/utf8.h"
#include "fuzz_check.h"
#include "registry/hive_file/hive_file.h"

namespace zub::fuzz {
namespace {

bool same_key(const RegistryTreeKey& a, const RegistryTreeKey& b) {
  if (a.name() != b.name() || a.values().size() != b.values().size() ||
      a.children().size() != b.children().size()) {
    return false;
  }
  for (auto va = a.values().begin(), vb = b.values().begin(); va != a.values().end(); ++va, ++vb) {
    if (va->first != vb->first || va->second.name != vb->second.name ||
        va->second.type != vb->second.type || va->second.data != vb->second.data) {
      return false;
    }
  }
  for (auto ca = a.children().begin(), cb = b.children().begin(); ca != a.children().end();
       ++ca, ++cb) {
    if (ca->first != cb->first || !same_key(*ca->second, *cb->second)) return false;
  }
  return true;
}

void check_round_trip(const RegistryTree& tree, Hive hive) {
  const std::string written = posix::write_hive_file(tree, hive);
  FUZZ_CHECK(is_valid_utf8(written));
  FUZZ_CHECK(posix::hive_file_size(tree, hive) == written.size());
  auto again = posix::parse_hive_file(written, hive);
  if (again.has_error()) {
    std::fprintf(stderr, "line %zu: %s\n%s\n", again.error().line, again.error().reason.c_str(),
                 written.c_str());
  }
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(same_key(again.value().root(), tree.root()));
  FUZZ_CHECK(posix::write_hive_file(again.value(), hive) == written);
}

// Reads pieces of the input in turn.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool done() const { return bytes_.empty(); }
  std::uint8_t byte() {
    if (bytes_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return b;
  }
  std::string_view piece() {
    const std::size_t length = std::min<std::size_t>(byte(), bytes_.size());
    const auto out = bytes_.substr(0, length);
    bytes_.remove_prefix(length);
    return out;
  }

 private:
  std::string_view bytes_;
};

// A name as the launcher could give one: any text without a line break (names are constants
// of the program or come from a file, which has none); a key name also without "\".
std::u16string name_from(std::string_view bytes, bool key) {
  std::u16string name = utf8_to_utf16(bytes);
  std::erase_if(name, [key](char16_t c) { return c == u'\n' || (key && c == u'\\'); });
  if (key && name.empty()) name = u"k";
  return name;
}

// A tree built by a few operations: keys at any depth, values of any type with any data.
RegistryTree tree_from(Reader& in) {
  RegistryTree tree;
  RegistryTreeKey* key = &tree.root();
  std::vector<std::u16string> path;
  while (!in.done()) {
    switch (in.byte() % 4) {
      case 0: {
        path.push_back(name_from(in.piece(), true));
        bool created = false;
        key = &tree.create(path, created);
        break;
      }
      case 1:
        path.clear();
        key = &tree.root();
        break;
      case 2:
      case 3: {
        static constexpr std::uint32_t kTypes[] = {kRegSz, kRegSz, kRegExpandSz, kRegBinary,
                                                   kRegDword, kRegMultiSz, kRegNone, 0x12345678};
        const std::uint32_t type = kTypes[in.byte() % 8];
        const std::u16string name = name_from(in.piece(), false);
        const auto data = in.piece();
        std::vector<std::uint8_t> bytes(data.begin(), data.end());
        // REG_SZ as "-c" writes it: a text and its terminator.
        if (type == kRegSz && !bytes.empty() && bytes[0] % 2 == 0) {
          bytes = reg_sz_bytes(utf8_to_utf16(data.substr(1)));
        }
        key->set_value(name, type, std::move(bytes));
        break;
      }
    }
  }
  return tree;
}

}  // namespace
}  // namespace zub::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zub;
  if (size == 0) return 0;
  const Hive hives[] = {Hive::ClassesRoot, Hive::CurrentUser, Hive::LocalMachine};
  const Hive hive = hives[data[0] % 3];
  const std::string_view rest = fuzz::as_text(data + 1, size - 1);
  if (data[0] & 0x80) {
    fuzz::Reader in(rest);
    RegistryTree tree = fuzz::tree_from(in);
    add_builtin_keys(hive, tree);
    fuzz::check_round_trip(tree, hive);
    return 0;
  }
  auto tree = posix::parse_hive_file(rest, hive);
  if (tree.has_value()) fuzz::check_round_trip(tree.value(), hive);
  return 0;
}
