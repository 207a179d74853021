#include "xgboost_model.h"

#include <dlfcn.h>
#include <xgboost/c_api.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "failure.h"

namespace linkerkit {

namespace {

// A model nests some eight levels deep; XGBoost's own reader recurses once
// per level and runs out of stack on a file of nothing but brackets.
constexpr int kDeepestNesting = 32;
constexpr long long kNotAnInteger = std::numeric_limits<long long>::min();

// What the checks need of one tree: the node arrays XGBoost builds its
// nodes from, and the sizes of all its arrays.
struct TreeShape {
  std::string num_nodes;
  std::vector<long long> id, left, right, parents, split_indices, split_type;
  std::map<std::string, std::size_t, std::less<>> array_sizes;
};

// The trees and their bookkeeping, under "model" of a gbtree booster or
// "gbtree"/"model" of a dart booster.
struct Forest {
  std::string num_trees;
  std::vector<long long> tree_info;
  std::vector<TreeShape> trees;
};

struct ModelShape {
  std::string objective, booster, num_feature, num_class, num_target, base_score;
  Forest forests[2];  // gbtree's, dart's
  std::size_t weight_drop = 0;
};

// Where a value lies in the model, as far as the checks care: each object
// member and array element gets its context from its parent's, so that the
// bulk of a model, its per-node arrays, costs no look-up per value.
struct Context {
  enum Kind {
    kSkip,
    kRoot,
    kLearner,
    kObjective,
    kLearnerParam,
    kBooster,
    kDart,
    kForest,
    kForestParam,
    kTrees,
    kTree,
    kTreeParam,
    kIntegers,  // an array whose numbers go to integers
    kInteger,   // one of them
    kText,      // a string that goes to text
  };
  Kind kind = kSkip;
  Forest *forest = nullptr;
  TreeShape *tree = nullptr;
  std::vector<long long> *integers = nullptr;
  std::string *text = nullptr;
  std::size_t *count = nullptr;  // an array's element count goes here
};

// What both readers of a model, its JSON's and its UBJSON's, share: where
// each value goes in ModelShape, how deep a model nests, and how a reader
// says the bytes are no document. A reader walks the document once and
// hands each key, element, string, number and array size to these.
class ModelScanner {
 protected:
  ModelScanner(std::string_view text, std::string_view format) : text_(text), format_(format) {}

  // Walks the document into shape: the reason it is no model document,
  // which the walk throws, or empty.
  template <typename Walk>
  std::string Problem(ModelShape &shape, Walk walk) {
    shape_ = &shape;
    try {
      walk();
    } catch (const std::string &problem) {
      return problem;
    }
    return "";
  }

  [[noreturn]] void Malformed() const { MalformedAt(position_); }
  [[noreturn]] void MalformedAt(std::size_t at) const {
    throw "malformed " + std::string(format_) + " at byte " + std::to_string(at + 1);
  }
  void Enter(int depth) const {
    if (depth >= kDeepestNesting) throw std::string(format_) + " nested deeper than a model's";
  }
  // XGBoost keeps the last of a key given twice in JSON and the first in
  // UBJSON, where the checks would keep both or another: a second "trees"
  // after the checked ones could leave XGBoost none. XGBoost writes each
  // key once.
  void NewKey(std::vector<std::string_view> &keys, std::string_view key) const {
    if (std::find(keys.begin(), keys.end(), key) != keys.end())
      throw std::string(format_) + " object with a key twice, at byte " + std::to_string(position_);
    keys.push_back(key);
  }
  void SkipBlanks() {
    while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\t' ||
                                        text_[position_] == '\n' || text_[position_] == '\r'))
      ++position_;
  }

  Context Member(const Context &parent, std::string_view key) const {
    const auto text = [](std::string *target) { return Context{Context::kText, nullptr, nullptr, nullptr, target}; };
    switch (parent.kind) {
      case Context::kRoot:
        if (key == "learner") return {Context::kLearner};
        break;
      case Context::kLearner:
        if (key == "objective") return {Context::kObjective};
        if (key == "learner_model_param") return {Context::kLearnerParam};
        if (key == "gradient_booster") return {Context::kBooster};
        break;
      case Context::kObjective:
        if (key == "name") return text(&shape_->objective);
        break;
      case Context::kLearnerParam:
        if (key == "num_feature") return text(&shape_->num_feature);
        if (key == "num_class") return text(&shape_->num_class);
        if (key == "num_target") return text(&shape_->num_target);
        if (key == "base_score") return text(&shape_->base_score);
        break;
      case Context::kBooster:
        if (key == "name") return text(&shape_->booster);
        if (key == "model") return {Context::kForest, &shape_->forests[0]};
        if (key == "gbtree") return {Context::kDart};
        if (key == "weight_drop") return {Context::kSkip, nullptr, nullptr, nullptr, nullptr, &shape_->weight_drop};
        break;
      case Context::kDart:
        if (key == "model") return {Context::kForest, &shape_->forests[1]};
        break;
      case Context::kForest:
        if (key == "gbtree_model_param") return {Context::kForestParam, parent.forest};
        if (key == "tree_info") return {Context::kIntegers, parent.forest, nullptr, &parent.forest->tree_info};
        if (key == "trees") return {Context::kTrees, parent.forest};
        break;
      case Context::kForestParam:
        if (key == "num_trees") return text(&parent.forest->num_trees);
        break;
      case Context::kTree: {
        if (key == "tree_param") return {Context::kTreeParam, nullptr, parent.tree};
        TreeShape &tree = *parent.tree;
        if (key == "id") return {Context::kInteger, nullptr, nullptr, &tree.id};
        std::size_t *count = &tree.array_sizes[std::string(key)];
        std::vector<long long> *integers = key == "left_children"    ? &tree.left
                                           : key == "right_children" ? &tree.right
                                           : key == "parents"        ? &tree.parents
                                           : key == "split_indices"  ? &tree.split_indices
                                           : key == "split_type"     ? &tree.split_type
                                                                     : nullptr;
        return {integers ? Context::kIntegers : Context::kSkip, nullptr, parent.tree, integers, nullptr, count};
      }
      case Context::kTreeParam:
        if (key == "num_nodes") return text(&parent.tree->num_nodes);
        break;
      default:
        break;
    }
    return {};
  }

  Context Element(const Context &parent, std::size_t index) const {
    if (parent.kind == Context::kIntegers) return {Context::kInteger, nullptr, nullptr, parent.integers};
    if (parent.kind == Context::kTrees) {
      // The trees come in order, so a tree's place stays put while it is read.
      std::vector<TreeShape> &trees = parent.forest->trees;
      if (trees.size() <= index) trees.resize(index + 1);
      return {Context::kTree, nullptr, &trees[index]};
    }
    return {};
  }

  // Whether an array's elements go anywhere: the others are only counted.
  static bool KeepsElements(const Context &array) {
    return array.kind == Context::kIntegers || array.kind == Context::kTrees;
  }
  // Where an array's numbers go, one by one, as Number puts its elements':
  // for a reader that has them all at once.
  static std::vector<long long> *IntegersOf(const Context &array) {
    return array.kind == Context::kIntegers ? array.integers : nullptr;
  }
  // The texts kept go into one-line messages.
  void Text(const Context &context, std::string_view text) const {
    if (context.kind != Context::kText) return;
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
      MalformedAt(position_ - 1);
    *context.text = text;
  }
  // integer: kNotAnInteger for a number with a fraction, or true, false, null.
  static void Number(const Context &context, long long integer) {
    if (context.kind == Context::kInteger) context.integers->push_back(integer);
  }
  static void ArraySize(const Context &array, std::size_t size) {
    if (array.count) *array.count = size;
  }

  std::string_view text_;
  std::size_t position_ = 0;
  ModelShape *shape_ = nullptr;

 private:
  std::string_view format_;
};

// One pass over the JSON text, keeping what ModelShape holds. Strings are
// kept as they stand between their quotes: a model's names have no escapes,
// and one written with escapes is simply not recognised. Numbers are only
// delimited here; XGBoost reads them and turns away malformed ones.
class JsonScanner : ModelScanner {
 public:
  explicit JsonScanner(std::string_view text) : ModelScanner(text, "JSON") {}

  // The shape, or the reason the text is no JSON document.
  std::string Scan(ModelShape &shape) {
    return Problem(shape, [this] {
      SkipBlanks();
      if (Peek() != '{') throw std::string("not a JSON object");
      Value(0, Context{Context::kRoot});
      SkipBlanks();
      if (position_ != text_.size()) Malformed();
    });
  }

 private:
  char Peek() const { return position_ < text_.size() ? text_[position_] : '\0'; }
  void Expect(char c) {
    SkipBlanks();
    if (Peek() != c) Malformed();
    ++position_;
  }

  std::string_view String() {
    Expect('"');
    const std::size_t start = position_;
    while (position_ < text_.size() && text_[position_] != '"') {
      const unsigned char c = static_cast<unsigned char>(text_[position_]);
      if (c < 0x20) Malformed();
      position_ += c == '\\' ? 2 : 1;
    }
    if (position_ >= text_.size()) Malformed();
    return text_.substr(start, position_++ - start);
  }

  void Value(int depth, const Context &context) {
    SkipBlanks();
    const char c = Peek();
    if (c == '{' || c == '[') {
      Enter(depth);
      ++position_;
      SkipBlanks();
      const char close = c == '{' ? '}' : ']';
      std::size_t count = 0;
      std::vector<std::string_view> keys;
      if (Peek() == close) {
        ++position_;
      } else {
        for (;; ++count) {
          if (c == '{') {
            const std::string_view key = String();
            NewKey(keys, key);
            Expect(':');
            Value(depth + 1, Member(context, key));
          } else {
            Value(depth + 1, Element(context, count));
          }
          SkipBlanks();
          if (Peek() == close) break;
          Expect(',');
        }
        ++count;
        ++position_;
      }
      if (c == '[') ArraySize(context, count);
    } else if (c == '"') {
      Text(context, String());
    } else {
      const std::size_t start = position_;
      while (position_ < text_.size() && kNumberOrWord[static_cast<unsigned char>(text_[position_])]) ++position_;
      if (position_ == start) Malformed();
      if (context.kind == Context::kInteger) Number(context, Integer(text_.substr(start, position_ - start)));
    }
  }

  static long long Integer(std::string_view token) {
    long long value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    return error == std::errc() && end == token.data() + token.size() ? value : kNotAnInteger;
  }

  // The characters of a JSON number, true, false and null.
  static constexpr auto kNumberOrWord = [] {
    std::array<bool, 256> table{};
    for (const char c : std::string_view("+-.0123456789eEtruefalsn")) table[static_cast<unsigned char>(c)] = true;
    return table;
  }();
};

// One pass over UBJSON as XGBoost writes it (booster.save_model("x.ubj")):
// objects of keys, each its length (an integer) and bytes, and values; arrays
// of values up to "]", or of a count given after "#", or typed ("$" and the
// elements' type, "#" and the count) with bare big-endian elements. Every
// length and count is checked against the bytes left before it is used:
// XGBoost trusts them, and reads past the end of a truncated model or
// allocates what a forged count asks. It reads only what it writes itself
// (key lengths and counts as int64, typed arrays of int32, int64, uint8 and
// float32, no float64), and turns away the rest of UBJSON read here.
class UbjsonScanner : ModelScanner {
 public:
  explicit UbjsonScanner(std::string_view text) : ModelScanner(text, "UBJSON") {}

  // The shape, or the reason the bytes are no UBJSON document.
  std::string Scan(ModelShape &shape) {
    return Problem(shape, [this] {
      SkipBlanks();
      if (Byte() != '{') throw std::string("not a UBJSON object");
      Object(0, Context{Context::kRoot});
      if (position_ != text_.size()) Malformed();
    });
  }

 private:
  unsigned char Byte() {
    if (position_ >= text_.size()) Malformed();
    return static_cast<unsigned char>(text_[position_++]);
  }
  std::size_t Left() const { return text_.size() - position_; }
  std::string_view Bytes(std::size_t size) {
    if (size > Left()) Malformed();
    position_ += size;
    return text_.substr(position_ - size, size);
  }
  // The next marker, past UBJSON's no-op markers.
  unsigned char Marker() {
    unsigned char marker = Byte();
    while (marker == 'N') marker = Byte();
    return marker;
  }

  // The bytes of one element of a typed array, or of a number after its
  // marker; 0 for a marker that is no number.
  static std::size_t NumberWidth(unsigned char marker) {
    switch (marker) {
      case 'i':
      case 'U':
      case 'C':
        return 1;
      case 'I':
        return 2;
      case 'l':
      case 'd':
        return 4;
      case 'L':
      case 'D':
        return 8;
      default:
        return 0;
    }
  }
  // The number after its marker, when it is an integer; kNotAnInteger for a
  // float or a character, whose bytes are passed over.
  long long NumberAfter(unsigned char marker) {
    const std::size_t width = NumberWidth(marker);
    if (width == 0) MalformedAt(position_ - 1);
    const char *bytes = Bytes(width).data();
    switch (marker) {
      case 'i':
        return BigEndian<std::int8_t>(bytes);
      case 'U':
        return BigEndian<std::uint8_t>(bytes);
      case 'I':
        return BigEndian<std::int16_t>(bytes);
      case 'l':
        return BigEndian<std::int32_t>(bytes);
      case 'L':
        return BigEndian<std::int64_t>(bytes);
      default:
        return kNotAnInteger;
    }
  }
  template <typename Integer>
  static long long BigEndian(const char *bytes) {
    std::make_unsigned_t<Integer> bits = 0;
    for (std::size_t i = 0; i < sizeof(Integer); ++i)
      bits = static_cast<std::make_unsigned_t<Integer>>(bits << 8 | static_cast<unsigned char>(bytes[i]));
    return static_cast<Integer>(bits);
  }
  // The elements of a typed array of type, the bulk of a model (its trees'
  // node arrays), appended as integers.
  static void AppendIntegers(unsigned char type, const char *bytes, std::size_t size,
                             std::vector<long long> &integers) {
    const auto append = [&]<typename Integer>(Integer) {
      for (std::size_t i = 0; i < size; ++i) integers.push_back(BigEndian<Integer>(bytes + i * sizeof(Integer)));
    };
    switch (type) {
      case 'i':
        return append(std::int8_t{});
      case 'U':
        return append(std::uint8_t{});
      case 'I':
        return append(std::int16_t{});
      case 'l':
        return append(std::int32_t{});
      case 'L':
        return append(std::int64_t{});
      default:
        integers.insert(integers.end(), size, kNotAnInteger);
    }
  }
  // A length or count, each of whose units takes at least width bytes of
  // those left: no larger count can be true.
  std::size_t Count(std::size_t width) {
    const std::size_t at = position_;
    const long long count = NumberAfter(Byte());
    if (count < 0 || static_cast<unsigned long long>(count) > Left() / width) MalformedAt(at);
    return static_cast<std::size_t>(count);
  }

  void Value(int depth, const Context &context, unsigned char marker) {
    switch (marker) {
      case '{':
        Enter(depth);
        Object(depth, context);
        break;
      case '[':
        Enter(depth);
        Array(depth, context);
        break;
      case 'S':
        Text(context, Bytes(Count(1)));
        break;
      case 'T':
      case 'F':
      case 'Z':
        Number(context, kNotAnInteger);
        break;
      default:
        Number(context, NumberAfter(marker));
        break;
    }
  }

  // After its "{": keys and values up to "}".
  void Object(int depth, const Context &context) {
    std::vector<std::string_view> keys;
    for (unsigned char marker; (marker = Marker()) != '}';) {
      --position_;
      const std::string_view key = Bytes(Count(1));
      NewKey(keys, key);
      Value(depth + 1, Member(context, key), Marker());
    }
  }

  // After its "[".
  void Array(int depth, const Context &context) {
    std::size_t size = 0;
    if (text_.substr(position_, 1) == "$") {
      ++position_;
      const unsigned char type = Byte();
      const std::size_t width = NumberWidth(type);
      if (width == 0) MalformedAt(position_ - 1);
      if (Byte() != '#') MalformedAt(position_ - 1);
      size = Count(width);
      if (std::vector<long long> *integers = IntegersOf(context)) {
        AppendIntegers(type, text_.data() + position_, size, *integers);
      } else if (KeepsElements(context)) {
        for (std::size_t i = 0; i < size; ++i) Element(context, i);
      }
      position_ += size * width;
    } else if (text_.substr(position_, 1) == "#") {
      ++position_;
      // Every value takes a byte at least.
      for (const std::size_t count = Count(1); size < count; ++size) Value(depth + 1, Element(context, size), Marker());
    } else {
      for (unsigned char marker; (marker = Marker()) != ']'; ++size) Value(depth + 1, Element(context, size), marker);
    }
    ArraySize(context, size);
  }
};

// XGBoost reads a model from its "{" on as UBJSON when the first byte after
// it that is no blank is a letter, the type of the first key's length, and
// as JSON when it is a quote; so do the checks.
bool IsUbjson(std::string_view text) {
  const auto is_in = [](char c, std::string_view set) { return set.find(c) != std::string_view::npos; };
  std::size_t at = 0;
  while (at < text.size() && is_in(text[at], " \t\n\r")) ++at;
  if (at == text.size() || text[at] != '{') return false;
  ++at;
  while (at < text.size() && is_in(text[at], " \t\n\v\f\r")) ++at;
  return at < text.size() && ((text[at] >= 'a' && text[at] <= 'z') || (text[at] >= 'A' && text[at] <= 'Z'));
}

std::optional<long long> Count(const std::string &text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

// Why the tree is no tree over the features, or empty. XGBoost reads every
// node, reached or not, so every node is checked.
std::string TreeProblem(const TreeShape &tree, std::size_t number, long long features) {
  // The parent XGBoost writes for the root.
  constexpr long long kNoParent = 2147483647;
  if (tree.id.size() != 1 || tree.id[0] != static_cast<long long>(number)) return "not numbered in order";
  const auto nodes = Count(tree.num_nodes);
  if (!nodes || *nodes < 1) return "no node count";
  const std::size_t n = static_cast<std::size_t>(*nodes);
  for (const std::string_view field :
       {"left_children", "right_children", "parents", "split_indices", "split_conditions", "default_left",
        "base_weights", "split_type", "loss_changes", "sum_hessian"}) {
    const auto size = tree.array_sizes.find(field);
    const bool needed = field != "split_type" && field != "loss_changes" && field != "sum_hessian";
    if (size == tree.array_sizes.end() ? needed : size->second != n) return std::string(field) + " not one per node";
  }
  for (const std::string_view field : {"categories", "categories_nodes", "categories_segments", "categories_sizes"}) {
    if (const auto size = tree.array_sizes.find(field); size != tree.array_sizes.end() && size->second != 0)
      return "a categorical split";
  }
  if (tree.left.size() != n || tree.right.size() != n || tree.parents.size() != n || tree.split_indices.size() != n ||
      (!tree.split_type.empty() && tree.split_type.size() != n)) {
    return "node fields that are no numbers";
  }
  const auto is_node = [&](long long index) { return index >= 0 && index < *nodes; };
  for (std::size_t node = 0; node < n; ++node) {
    if (!(tree.left[node] == -1 || is_node(tree.left[node])) ||
        !(tree.right[node] == -1 || is_node(tree.right[node])) ||
        !(tree.parents[node] == kNoParent || is_node(tree.parents[node]))) {
      return "a node that is no tree's";
    }
    if (tree.split_indices[node] < 0 || tree.split_indices[node] >= features)
      return "a split on no feature of the model";
    if (!tree.split_type.empty() && tree.split_type[node] != 0) return "a categorical split";
  }
  // Every node reached once from the root, and its parent's child, so that
  // prediction ends.
  if (tree.parents[0] != kNoParent) return "a node that is no tree's";
  std::vector<bool> reached(n, false);
  std::vector<std::size_t> pending = {0};
  reached[0] = true;
  while (!pending.empty()) {
    const std::size_t node = pending.back();
    pending.pop_back();
    const long long left = tree.left[node];
    const long long right = tree.right[node];
    if (left == -1 && right == -1) continue;
    for (const long long child : {left, right}) {
      if (child == -1 || reached[static_cast<std::size_t>(child)] ||
          tree.parents[static_cast<std::size_t>(child)] != static_cast<long long>(node)) {
        return "a node that is no tree's";
      }
      reached[static_cast<std::size_t>(child)] = true;
      pending.push_back(static_cast<std::size_t>(child));
    }
  }
  return "";
}

// XGBoost's message for its last failed call: the first line, without the
// time and source position before it, and cut short: some quote the whole
// model.
std::string LastXGBoostError() {
  constexpr std::size_t kLongest = 160;
  std::string message = XGBGetLastError();
  message = message.substr(0, message.find('\n'));
  if (message.starts_with('[')) {
    const std::size_t source = message.find("] ");
    const std::size_t text = source == std::string::npos ? std::string::npos : message.find(": ", source);
    if (text != std::string::npos) message = message.substr(text + 2);
  }
  if (message.size() > kLongest) message = message.substr(0, kLongest) + "...";
  return message;
}

}  // namespace

std::string XGBoostModelProblem(std::string_view text) {
  ModelShape shape;
  const std::string problem = IsUbjson(text) ? UbjsonScanner(text).Scan(shape) : JsonScanner(text).Scan(shape);
  if (!problem.empty()) return problem;
  if (shape.objective.empty()) return "no objective: not an XGBoost model";
  if (shape.objective != "binary:logistic") return "objective " + shape.objective + ", not binary:logistic";
  if (shape.booster != "gbtree" && shape.booster != "dart") return "booster " + shape.booster + ", not trees";
  const auto features = Count(shape.num_feature);
  if (!features || *features < 1 || *features > 1000000) return "no feature count";
  if (!(shape.num_class.empty() || shape.num_class == "0" || shape.num_class == "1") ||
      !(shape.num_target.empty() || shape.num_target == "1")) {
    return "more than one output";
  }
  // The margin starts from the log-odds of base_score, which XGBoost reads
  // as it can: "x" would pass as 0.
  float base_score = 0;
  const char *base_end = shape.base_score.data() + shape.base_score.size();
  if (const auto [end, error] = std::from_chars(shape.base_score.data(), base_end, base_score);
      error != std::errc() || end != base_end || !(base_score > 0 && base_score < 1)) {
    return "base_score " + shape.base_score + ", not a probability";
  }
  const bool dart = shape.booster == "dart";
  const Forest &forest = shape.forests[dart ? 1 : 0];
  const auto trees = Count(forest.num_trees);
  if (!trees || static_cast<std::size_t>(*trees) != forest.trees.size() ||
      forest.tree_info.size() != forest.trees.size()) {
    return "tree count " + forest.num_trees + " but " + std::to_string(forest.trees.size()) + " trees";
  }
  if (dart && shape.weight_drop != forest.trees.size()) return "not one dart weight per tree";
  for (std::size_t i = 0; i < forest.trees.size(); ++i) {
    if (forest.tree_info[i] != 0) return "tree " + std::to_string(i) + " of another output";
    if (std::string problem = TreeProblem(forest.trees[i], i, *features); !problem.empty())
      return "tree " + std::to_string(i) + ": " + problem;
  }
  return "";
}

void XGBoostModel::BoosterDeleter::operator()(void *booster) const { XGBoosterFree(booster); }

XGBoostModel::XGBoostModel(const std::string &path, const std::string &text) : path_(path) {
  const auto fail = [&](const std::string &problem) { Fail("cannot load model " + path + ": " + problem); };
  if (std::string problem = XGBoostModelProblem(text); !problem.empty()) fail(problem);
  // XGBoost's warnings would land on standard error; its failures come back
  // from the calls. It reads the trees with OpenMP's default team before the
  // booster's nthread applies, so the OpenMP runtime it was built with,
  // loaded with it, is told to use one thread too: a worker of the road is
  // one process per core already. Looked up by name, so that linkerkit needs
  // no OpenMP of its own, nor the same one.
  static std::once_flag settled;
  std::call_once(settled, [] {
    XGBSetGlobalConfig(R"({"verbosity": 0})");
    using SetThreads = void (*)(int);
    if (const auto set_threads = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads")))
      set_threads(1);
  });
  BoosterHandle booster = nullptr;
  if (XGBoosterCreate(nullptr, 0, &booster) != 0) fail(LastXGBoostError());
  booster_.reset(booster);
  // XGBoost tells JSON from its binary formats by the first byte.
  const std::size_t start = std::min(text.find('{'), text.size());
  if (XGBoosterLoadModelFromBuffer(booster, text.data() + start, text.size() - start) != 0) fail(LastXGBoostError());
  if (XGBoosterSetParam(booster, "nthread", "1") != 0) fail(LastXGBoostError());
  bst_ulong features = 0;
  if (XGBoosterGetNumFeature(booster, &features) != 0) fail(LastXGBoostError());
  feature_count_ = static_cast<int>(features);
}

std::vector<double> XGBoostModel::Score(const std::vector<FeatureVector> &vectors, const std::string &path) const {
  if (vectors.empty()) return {};
  const std::size_t columns = static_cast<std::size_t>(feature_count_);
  std::vector<float> values;
  values.reserve(vectors.size() * columns);
  for (std::size_t i = 0; i < vectors.size(); ++i) {
    const FeatureVector &features = vectors[i];
    if (features.size() != columns) {
      FailAtLine(path, i + 1,
                 "has " + std::to_string(features.size()) + " features, the model has " + std::to_string(columns));
    }
    for (std::size_t k = 0; k < columns; ++k) {
      const auto &[index, value] = features[k];
      if (index != static_cast<int>(k + 1)) {
        FailAtLine(
            path, i + 1,
            "has no feature " + std::to_string(k + 1) + "; the model has features 1 to " + std::to_string(columns));
      }
      // XGBoost compares in single precision, as Python's DMatrix stores a
      // value; a value beyond it would become infinite.
      const float single = static_cast<float>(value);
      if (std::isinf(single)) {
        FailAtLine(path, i + 1, "feature " + std::to_string(index) + " is beyond single precision, which XGBoost uses");
      }
      values.push_back(single);
    }
  }
  char interface[256];
  std::snprintf(interface, sizeof interface,
                R"({"data": [%ju, true], "shape": [%zu, %zu], "typestr": "<f4", "version": 3})",
                static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(values.data())), vectors.size(), columns);
  // type 1: the margin; iteration_end 0: every tree.
  static constexpr char kConfig[] =
      R"({"type": 1, "training": false, "iteration_begin": 0, "iteration_end": 0, "strict_shape": false, )"
      R"("missing": NaN, "cache_id": 0})";
  const bst_ulong *shape = nullptr;
  bst_ulong dimensions = 0;
  const float *margins = nullptr;
  if (XGBoosterPredictFromDense(booster_.get(), interface, kConfig, nullptr, &shape, &dimensions, &margins) != 0) {
    Fail("XGBoost cannot score " + path + " with " + path_ + ": " + LastXGBoostError());
  }
  if (dimensions != 1 || shape[0] != vectors.size()) Fail("XGBoost gives no one margin per vector of " + path);
  return std::vector<double>(margins, margins + vectors.size());
}

}  // namespace linkerkit
