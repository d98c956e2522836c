// Free-form reading: a hand-written scanner over records; numbers are
// scanned and converted by decimal_scan, so that every value is rounded
// exactly once.
#include "recio/list_input.hpp"

#include <algorithm>
#include <cstring>

#include "recio/characters.hpp"
#include "recio/decimal_scan.hpp"
#include "recio/list_value.hpp"

namespace recio {

namespace {

// The longest text value a read takes; a longer one is a syntax error.
constexpr std::size_t max_text_length = 2049;

constexpr bool is_quote(char c) { return c == '\'' || c == '"'; }
constexpr bool ends_number(char c) { return is_blank(c) || c == ',' || c == '/' || c == ')'; }
constexpr bool ends_logical(char c) { return is_blank(c) || c == ',' || c == '/'; }
constexpr bool ends_undelimited_text(char c) { return is_blank(c) || c == ','; }

// The common record of data files: real items only, each a plain decimal
// ([sign] digits [. digits]), separated by blanks, tabs or one
// comma, all on this record. Gives exactly what the general scanner gives for
// such a record, only faster; anything else returns false having stored
// nothing, and the general scanner reads the record from its start.
class PlainReals {
 public:
  explicit PlainReals(std::string_view record) : record_(record) {}

  bool read(std::span<const InputItem> items) {
    constexpr std::size_t most_items = 8;
    float values[most_items];
    if (items.size() > most_items) return false;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].kind != ItemKind::real) return false;
      if (!skip_separator(i == 0) || !take_plain_number(values[i])) return false;
    }
    // The rest of the record is discarded, as after any read.
    for (std::size_t i = 0; i < items.size(); ++i) *static_cast<float*>(items[i].target) = values[i];
    return true;
  }

 private:
  void skip_blanks() {
    while (at_ < record_.size() && is_blank(record_[at_])) ++at_;
  }

  // Blanks, with at most one comma among them; a comma before the first value
  // or a second comma would be a null value.
  bool skip_separator(bool first) {
    skip_blanks();
    if (at_ < record_.size() && record_[at_] == ',') {
      if (first) return false;
      comma_seen_ = true;
      ++at_;
      skip_blanks();
      if (at_ < record_.size() && record_[at_] == ',') return false;
    }
    return at_ < record_.size();
  }

  bool take_plain_number(float& value) {
    const ScannedDecimal number = scan_decimal(record_, at_);
    // The token must end where the general scanner ends a value it can take.
    if (at_ < record_.size() && !is_blank(record_[at_]) && record_[at_] != ',') return false;
    if (!number.has_digit()) return false;
    value = decimal_to_float(number);
    return true;
  }

  std::string_view record_;
  std::size_t at_ = 0;
  bool comma_seen_ = false;

 public:
  std::size_t end() const { return at_; }
  // Whether the record holds a comma: a separator, or in the text after the
  // values (the numbers themselves hold none).
  bool holds_comma() const {
    if (comma_seen_) return true;
    for (std::size_t i = at_; i < record_.size(); ++i) {
      if (record_[i] == ',') return true;
    }
    return false;
  }
};

// What the search for the next value ended with.
enum class Found { value, end_of_read, failure };

class ListScanner {
 public:
  ListScanner(const RecordFeed& feed, ReadTrace* trace, bool shortcut = true)
      : feed_(feed), trace_(trace), shortcut_(shortcut) {}

  Status read(std::span<const InputItem> items) {
    if (!take_record()) return status_;
    if (PlainReals plain(record_); shortcut_ && plain.read(items)) {
      items_done_ = items.size();
      if (trace_ != nullptr) trace_plain_record(plain);
      return read_ok;
    }
    while (items_done_ < items.size()) {
      const Found found = find_value(items[items_done_].kind);
      if (found == Found::end_of_read) {
        trace_end(at_ + 1, true);
        return read_ok;
      }
      if (found == Found::failure) return status_;
      for (std::size_t i = 0; i < repeat_ && items_done_ < items.size(); ++i) {
        const Status status = store_value(items[items_done_], value_);
        if (status != read_ok) return status;
        if (trace_ != nullptr) trace_item(items[items_done_].kind);
        ++items_done_;
      }
    }
    trace_end(at_, false);
    return read_ok;
  }

  std::size_t items_done() const { return items_done_; }

 private:
  bool take_record() {
    // The first record's text is kept before the buffer behind it may move.
    if (trace_ != nullptr && first_found_ && trace_->first_record + 1 == trace_->records) {
      trace_->first_line_kept.assign(record_);
    }
    status_ = feed_.next(feed_.context, record_);
    if (status_ != read_ok) return false;
    at_ = 0;
    if (trace_ != nullptr) ++trace_->records;
    return true;
  }

  // --- tracing, only when asked for ---

  void trace_first_character() {
    if (first_found_) return;
    first_found_ = true;
    if (trace_ != nullptr) trace_->first_record = trace_->records - 1;
  }

  void trace_item(ItemKind kind) {
    if (value_.is_null) {
      trace_->empty_value = true;
    } else {
      trace_->value_set = true;
      trace_->word = trace_->word || (kind != ItemKind::text && is_logical(value_.characters));
      trace_->repeated = trace_->repeated || repeat_given_;
    }
  }

  // The read ended with its record at `rest_at`; by a slash, or by its last item.
  void trace_end(std::size_t rest_at, bool slash) {
    if (trace_ == nullptr) return;
    trace_->empty_value = trace_->empty_value || slash;
    trace_->last_line = record_;
    trace_->rest_at = std::min(rest_at, record_.size());
  }

  void trace_plain_record(const PlainReals& plain) {
    trace_->first_record = 0;
    trace_->value_set = true;
    trace_->may_hold_comma = plain.holds_comma();
    trace_end(plain.end(), false);
  }

  bool at_record_end() const { return at_ >= record_.size(); }
  bool record_ends_at(std::size_t at) const { return at >= record_.size(); }

  Found failure(Status status) {
    status_ = status;
    return Found::failure;
  }

  // Skips separators up to the next value. A comma that follows a separating
  // comma (or opens the read) is a null value of its own.
  Found skip_separators(bool& null_value) {
    null_value = false;
    for (;;) {
      if (at_record_end()) {
        if (!take_record()) return Found::failure;
        continue;
      }
      const char c = record_[at_];
      if (is_blank(c)) {
        ++at_;
      } else if (c == ',') {
        trace_first_character();
        ++at_;
        if (comma_seen_) {
          null_value = true;
          return Found::value;
        }
        comma_seen_ = true;
      } else {
        trace_first_character();
        comma_seen_ = false;
        return Found::value;
      }
    }
  }

  Found find_value(ItemKind kind) {
    repeat_ = 1;
    repeat_given_ = false;
    value_ = Value{};
    bool null_value = false;
    const Found found = skip_separators(null_value);
    if (found != Found::value || null_value) return found;
    if (starts_repeat_count()) {
      if (!take_repeat_count()) return failure(syntax_error);
      if (at_record_end() || ends_undelimited_text(record_[at_])) return Found::value;
      // "r*/": r null values, then the slash ends the read. The slash that
      // follows would end it anyway; the null values only tell a trace where
      // the items stopped.
      if (kind != ItemKind::text && record_[at_] == '/') return Found::value;
    }
    return kind == ItemKind::text ? scan_text_value() : scan_numeric_value();
  }

  bool starts_repeat_count() const {
    std::size_t at = at_;
    while (!record_ends_at(at) && is_digit(record_[at])) ++at;
    return at > at_ && !record_ends_at(at) && record_[at] == '*';
  }

  // Reads "r*"; a count beyond any list saturates, as it only discards items.
  bool take_repeat_count() {
    std::size_t count = 0;
    for (; record_[at_] != '*'; ++at_) {
      count = std::min<std::size_t>(count * 10 + static_cast<std::size_t>(record_[at_] - '0'), 1u << 30);
    }
    ++at_;
    repeat_ = count;
    repeat_given_ = true;
    return count != 0;
  }

  Found scan_numeric_value() {
    if (record_[at_] == '/') return Found::end_of_read;
    const std::size_t start = at_;
    const bool logical = is_logical(record_.substr(at_));
    while (!at_record_end() && !(logical ? ends_logical(record_[at_]) : ends_number(record_[at_]))) ++at_;
    if (at_ == start) return failure(syntax_error);
    set_value(record_.substr(start, at_ - start), false);
    return Found::value;
  }

  // A slash alone ends the read; anywhere else it belongs to a path.
  bool is_lone_slash() const {
    return record_[at_] == '/' && (record_ends_at(at_ + 1) || ends_undelimited_text(record_[at_ + 1]));
  }

  Found scan_text_value() {
    if (is_lone_slash()) return Found::end_of_read;
    if (is_quote(record_[at_])) return scan_delimited_text();
    const std::size_t start = at_;
    while (!at_record_end() && !ends_undelimited_text(record_[at_])) ++at_;
    if (at_ - start > max_text_length) return failure(syntax_error);
    set_value(record_.substr(start, at_ - start), false);
    return Found::value;
  }

  // Collects a quoted value into text_, across records if need be.
  Found scan_delimited_text() {
    const char quote = record_[at_++];
    std::size_t length = 0;
    for (;;) {
      if (at_record_end()) {
        if (!take_record()) return Found::failure;
        continue;
      }
      const char c = record_[at_++];
      if (c == quote) {
        if (at_record_end() || record_[at_] != quote) break;
        ++at_;
      }
      if (length == max_text_length) return failure(syntax_error);
      text_[length++] = c;
    }
    set_value(std::string_view(text_, length), true);
    return Found::value;
  }

  void set_value(std::string_view characters, bool delimited) {
    value_.is_null = false;
    value_.was_delimited = delimited;
    value_.characters = characters;
  }

  const RecordFeed& feed_;
  ReadTrace* trace_;
  bool shortcut_;
  bool first_found_ = false;  // the read has met a character other than blank and tab
  std::string_view record_;
  std::size_t at_ = 0;
  Status status_ = read_ok;
  bool comma_seen_ = true;  // a comma that opens the read is a null value
  std::size_t repeat_ = 1;
  bool repeat_given_ = false;   // the value came with a repeat count ("3*")
  std::size_t items_done_ = 0;  // stored, or passed by a null value
  Value value_;
  char text_[max_text_length];
};

}  // namespace

Status parse_list_directed(const RecordFeed& feed, std::span<const InputItem> items, std::size_t* items_done,
                           ReadTrace* trace) {
  if (trace != nullptr) trace->start();
  ListScanner scanner(feed, trace);
  const Status status = scanner.read(items);
  if (items_done != nullptr) *items_done = scanner.items_done();
  return status;
}

Status parse_list_directed_in_general(const RecordFeed& feed, std::span<const InputItem> items,
                                      std::size_t* items_done) {
  ListScanner scanner(feed, nullptr, false);
  const Status status = scanner.read(items);
  if (items_done != nullptr) *items_done = scanner.items_done();
  return status;
}

}  // namespace recio
