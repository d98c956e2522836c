#include "recio/record_output.hpp"

#include <optional>

#include "recio/fixed_point.hpp"
#include "recio/units.hpp"

namespace recio {

namespace {

constexpr int list_integer_width = 12;

void append_integer(std::string& record, std::int32_t value, int width) {
  const std::size_t at = record.size();
  record.resize(at + static_cast<std::size_t>(width));
  format_integer(value, width, record.data() + at);
}

// One record buffer for the whole run: write statements never overlap.
std::string& record_buffer() {
  static std::string buffer;
  buffer.clear();
  return buffer;
}

}  // namespace

void build_list_record(std::string& record, std::span<const ListItem> items) {
  bool leading_blank_due = true;
  for (const ListItem& item : items) {
    if (item.is_text) {
      if (leading_blank_due) record += ' ';
      record += item.text;
    } else {
      append_integer(record, item.integer, list_integer_width);
    }
    leading_blank_due = false;
  }
  if (items.empty()) record += ' ';
}

namespace {

std::size_t field_width(const EditDescriptor& descriptor, const OutputItem& item) {
  if (descriptor.width == 0 && item.kind == OutputItem::Kind::text) return item.text.size();
  return static_cast<std::size_t>(descriptor.width);
}

void fill(char* out, std::size_t count, char c) {
  for (std::size_t i = 0; i < count; ++i) out[i] = c;
}

// Aw: a short text right-justified after blanks, a long one cut to its
// leftmost w characters.
void put_text(char* out, std::string_view text, std::size_t width) {
  const std::size_t shown = text.size() < width ? text.size() : width;
  fill(out, width - shown, ' ');
  for (std::size_t i = 0; i < shown; ++i) out[width - shown + i] = text[i];
}

// One field; an item that its descriptor cannot take fills the field with
// asterisks, the same visible sign as a number that does not fit.
void put_field(char* out, const EditDescriptor& descriptor, const OutputItem& item, std::size_t width) {
  switch (descriptor.kind) {
    case 'A':
      if (item.kind == OutputItem::Kind::text) return put_text(out, item.text, width);
      break;
    case 'I':
      if (item.kind == OutputItem::Kind::integer) return format_integer(item.integer, descriptor.width, out);
      break;
    default:
      if (item.kind == OutputItem::Kind::real)
        return format_fixed(item.real, descriptor.width, descriptor.decimals, out);
      break;
  }
  fill(out, width, '*');
}

// The program's formats hold one descriptor per item; more items than
// descriptors start the format again.
const EditDescriptor& descriptor_for(const Format& format, std::size_t item) {
  const auto count = static_cast<std::size_t>(format.count);
  // A division costs more than the rest of a short field: only when needed.
  return format.descriptors[item < count ? item : item % count];
}

// Lays the fields out from `out` while they fit in `capacity` bytes: the
// record's length, or nothing when it would not fit.
std::optional<std::size_t> put_fields(char* out, std::size_t capacity, const Format& format,
                                      std::span<const OutputItem> items) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const EditDescriptor& descriptor = descriptor_for(format, i);
    const std::size_t width = field_width(descriptor, items[i]);
    if (width > capacity - length) return std::nullopt;
    put_field(out + length, descriptor, items[i], width);
    length += width;
  }
  return length;
}

std::size_t formatted_length(const Format& format, std::span<const OutputItem> items) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < items.size(); ++i) length += field_width(descriptor_for(format, i), items[i]);
  return length;
}

}  // namespace

void build_formatted_record(std::string& record, const Format& format, std::span<const OutputItem> items) {
  const std::size_t at = record.size();
  const std::size_t length = formatted_length(format, items);
  record.resize(at + length);
  put_fields(record.data() + at, length, format, items);
}

void write_list(std::int32_t unit, std::initializer_list<ListItem> items) {
  std::string& record = record_buffer();
  build_list_record(record, items);
  put_record(unit, record, true);
}

void write_formatted(std::int32_t unit, const Format& format, std::initializer_list<OutputItem> items,
                     Advance advance) {
  const std::span<const OutputItem> list(items.begin(), items.size());
  // The program's formatted records to files are short: laid out in one
  // pass, in place in the file's buffer. The console's records, and long
  // ones, are built in the run's record buffer first.
  constexpr std::size_t short_length = 256;
  Unit& connected = statement_unit(unit);
  if (char* space = record_space(connected, short_length)) {
    if (const auto length = put_fields(space, short_length, format, list)) {
      end_record_in_place(connected, *length, advance == Advance::yes);
      return;
    }
  }
  std::string& record = record_buffer();
  build_formatted_record(record, format, list);
  put_record(unit, record, advance == Advance::yes);
}

}  // namespace recio
