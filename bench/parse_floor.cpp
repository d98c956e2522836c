// Reads a file in 1 MiB chunks and parses every number in it with
// std::from_chars, summing them: the least any reader of the file must do.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: parse_floor FILE\n");
    return 2;
  }
  const int fd = open(argv[1], O_RDONLY);
  if (fd < 0) {
    std::perror(argv[1]);
    return 1;
  }
  constexpr std::size_t chunk = 1 << 20;
  std::vector<char> buffer(chunk + 64);
  std::size_t kept = 0;  // a number cut by the chunk's end, carried to the next
  double sum = 0;
  long long count = 0;
  for (;;) {
    const ssize_t got = read(fd, buffer.data() + kept, chunk);
    if (got < 0) return 1;
    const std::size_t end = kept + static_cast<std::size_t>(got);
    const char* at = buffer.data();
    const char* last = buffer.data() + end;
    // Only up to the last separator, unless the file has ended.
    const char* stop = last;
    if (got > 0) {
      while (stop > at && stop[-1] != ' ' && stop[-1] != '\n' && stop[-1] != '\t' && stop[-1] != ',') --stop;
    }
    while (at < stop) {
      if (*at == ' ' || *at == '\n' || *at == '\r' || *at == '\t' || *at == ',') {
        ++at;
        continue;
      }
      float value = 0;
      const auto result = std::from_chars(at, stop, value);
      if (result.ec != std::errc()) {
        ++at;
        continue;
      }
      sum += static_cast<double>(value);
      ++count;
      at = result.ptr;
    }
    kept = static_cast<std::size_t>(last - stop);
    std::memmove(buffer.data(), stop, kept);
    if (got == 0) break;
  }
  close(fd);
  std::printf("%lld numbers, sum %.6g\n", count, sum);
  return 0;
}
