#include "recio/record_output.hpp"

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

void append_text(std::string& record, std::string_view text, int width) {
  if (width == 0 || static_cast<std::size_t>(width) == text.size()) {
    record += text;
  } else if (static_cast<std::size_t>(width) > text.size()) {
    record.append(static_cast<std::size_t>(width) - text.size(), ' ');
    record += text;
  } else {
    record += text.substr(0, static_cast<std::size_t>(width));
  }
}

void append_fixed(std::string& record, float value, const EditDescriptor& descriptor) {
  const std::size_t at = record.size();
  record.resize(at + static_cast<std::size_t>(descriptor.width));
  format_fixed(value, descriptor.width, descriptor.decimals, record.data() + at);
}

// An item that its descriptor cannot take fills the field with asterisks,
// the same visible sign as a number that does not fit.
void append_mismatch(std::string& record, const EditDescriptor& descriptor) {
  record.append(static_cast<std::size_t>(descriptor.width), '*');
}

// One record buffer for the whole run: write statements never overlap.
std::string& record_buffer() {
  static std::string buffer;
  buffer.clear();
  return buffer;
}

}  // namespace

void build_list_record(std::string& record, std::span<const OutputItem> items) {
  bool leading_blank_due = true;
  for (const OutputItem& item : items) {
    if (item.kind == OutputItem::Kind::integer) {
      append_integer(record, item.integer, list_integer_width);
    } else {
      if (leading_blank_due) record += ' ';
      if (item.kind == OutputItem::Kind::text) {
        record += item.text;
      } else {
        // The program writes no reals list-directed; give them a plain field.
        append_fixed(record, item.real, EditDescriptor{'F', 15, 6});
      }
    }
    leading_blank_due = false;
  }
  if (items.empty()) record += ' ';
}

void build_formatted_record(std::string& record, const Format& format, std::span<const OutputItem> items) {
  int next = 0;
  for (const OutputItem& item : items) {
    // The program's formats hold one descriptor per item; more items than
    // descriptors would start the format again.
    const EditDescriptor& descriptor = format.descriptors[next];
    next = (next + 1) % format.count;
    switch (descriptor.kind) {
      case 'A':
        if (item.kind == OutputItem::Kind::text) {
          append_text(record, item.text, descriptor.width);
        } else {
          append_mismatch(record, descriptor);
        }
        break;
      case 'I':
        if (item.kind == OutputItem::Kind::integer) {
          append_integer(record, item.integer, descriptor.width);
        } else {
          append_mismatch(record, descriptor);
        }
        break;
      default:
        if (item.kind == OutputItem::Kind::real) {
          append_fixed(record, item.real, descriptor);
        } else {
          append_mismatch(record, descriptor);
        }
        break;
    }
  }
}

void write_list(std::int32_t unit, std::initializer_list<OutputItem> items) {
  std::string& record = record_buffer();
  build_list_record(record, items);
  put_record(unit, record, true);
}

void write_formatted(std::int32_t unit, const Format& format, std::initializer_list<OutputItem> items,
                     Advance advance) {
  std::string& record = record_buffer();
  build_formatted_record(record, format, items);
  put_record(unit, record, advance == Advance::yes);
}

}  // namespace recio
