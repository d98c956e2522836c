// The table of connections: slots that never move, so that an interrupt can
// walk them, and the closing of every unit at the run's end. Nothing here
// ends the run; the statements above it do (units.cpp).
#include "recio/unit_table.hpp"

#include <array>
#include <atomic>
#include <new>
#include <string>

#include "recio/unit.hpp"

namespace recio {

std::array<Unit*, unit_index_size> unit_index{};

namespace {

// The table allows any unit number; its size bounds the connections open at
// once. Slots never move, so the interrupt handler can walk them.
constexpr std::size_t table_size = 64;
// Never destroyed: an interrupt during the exit handlers still finds every
// unit, its buffers and names where they were.
// Built in static storage, not on the heap, which may already be refused.
alignas(std::array<Unit, table_size>) unsigned char table_storage[sizeof(std::array<Unit, table_size>)];
std::array<Unit, table_size>& table = *new (table_storage) std::array<Unit, table_size>;
std::array<std::atomic<bool>, table_size> in_use{};

bool in_slot(std::size_t slot, std::int32_t number) {
  return in_use[slot].load(std::memory_order_relaxed) && table[slot].number == number;
}

std::size_t free_slot() {
  for (std::size_t i = 0; i < table_size; ++i) {
    if (!in_use[i].load(std::memory_order_relaxed)) return i;
  }
  return table_size;
}

void reset(Unit& unit) {
  // Their memory goes back too: the table itself is never destroyed.
  for (std::string* text : {&unit.name, &unit.final_path, &unit.new_path}) std::string().swap(*text);
  unit.handle = {};
  unit.console = unit.scratch = unit.read_only = unit.regular_file = unit.truncate_pending = unit.wrote = false;
  unit.replacing = false;
  unit.out.reset();
  unit.out_size = 0;
  unit.flushing = false;
  unit.in.reset();
  unit.in_capacity = unit.in_begin = unit.in_end = 0;
  unit.at_end_of_data = unit.end_of_file = unit.start_checked = unit.holding_start = unit.skipping_long_line = false;
  unit.records_taken = 0;
}

}  // namespace

Unit* find_unit(std::int32_t number) {
  if (number >= 0 && number < unit_index_size) {
    Unit* unit = unit_index[static_cast<std::size_t>(number)];
    return unit != nullptr && in_slot(static_cast<std::size_t>(unit - table.data()), number) ? unit : nullptr;
  }
  for (std::size_t i = 0; i < table_size; ++i) {
    if (in_slot(i, number)) return &table[i];
  }
  return nullptr;
}

Unit* enter_unit(std::int32_t number, const std::string& name, platform::FileHandle handle) {
  const std::size_t slot = free_slot();
  if (slot == table_size) return nullptr;
  Unit& unit = table[slot];
  reset(unit);
  unit.number = number;
  unit.name = name;
  unit.handle = handle;
  unit.out = std::make_unique_for_overwrite<char[]>(output_capacity);
  in_use[slot].store(true, std::memory_order_release);
  if (number >= 0 && number < unit_index_size) unit_index[static_cast<std::size_t>(number)] = &unit;
  return &unit;
}

void remove_unit(Unit& unit) {
  const auto slot = static_cast<std::size_t>(&unit - table.data());
  if (unit.number >= 0 && unit.number < unit_index_size) unit_index[static_cast<std::size_t>(unit.number)] = nullptr;
  in_use[slot].store(false, std::memory_order_release);
  reset(unit);
}

void drop_connection(Unit& unit) {
  if (unit.replacing.exchange(false)) {
    platform::discard_replacement(unit.handle, unit.new_path.c_str());
  } else if (!unit.console) {
    platform::close_file(unit.handle);
  }
}

void close_all_units() {
  for (std::size_t i = 0; i < table_size; ++i) {
    if (!in_use[i].load(std::memory_order_relaxed)) continue;
    Unit& unit = table[i];
    // The run is ending anyway: a failure here has nobody left to tell. A
    // whole-file unit still open is unfinished, and its new file goes.
    if (!unit.replacing) send_output(unit);
    drop_connection(unit);
    remove_unit(unit);
  }
}

void close_all_units_in_interrupt() {
  for (std::size_t i = 0; i < table_size; ++i) {
    if (!in_use[i].load(std::memory_order_acquire)) continue;
    Unit& unit = table[i];
    // An unfinished whole file goes; the old one stays as it was.
    if (unit.replacing.exchange(false)) {
      platform::discard_replacement(unit.handle, unit.new_path.c_str());
      in_use[i].store(false, std::memory_order_release);
      continue;
    }
    close_in_interrupt(unit);
    if (!unit.console) platform::close_file(unit.handle);
    // Out of the table, so that nothing closes it twice; its buffers are left
    // to the process's end, as freeing is no work for an interrupt.
    in_use[i].store(false, std::memory_order_release);
  }
}

std::string unit_file_name(std::int32_t number) {
  if (number == keyboard_unit) return "CONIN$";
  if (number == screen_unit) return "CONOUT$";
  const Unit* unit = find_unit(number);
  return unit != nullptr ? unit->name : std::string();
}

}  // namespace recio
