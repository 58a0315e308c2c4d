/* The plain way to put CR LF after every '>', as a yardstick for the
 * engine in bench/reformat-bench.sh: read 1 MiB, find each '>' with memchr,
 * gather the pieces and the CR LF pairs in an output buffer, write it in one
 * call. Usage: reformat_c_loop SOURCE TARGET */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#define IN_SIZE (1 << 20)

static char in[IN_SIZE];
static char out[3 * IN_SIZE]; /* room for a buffer of nothing but '>' */

static int write_all(int fd, const char *data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    data += written;
    size -= (size_t)written;
  }
  return 0;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s SOURCE TARGET\n", argv[0]);
    return 2;
  }
  const int source = open(argv[1], O_RDONLY);
  const int target = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (source < 0 || target < 0) {
    perror("open");
    return 1;
  }
  for (;;) {
    const ssize_t got = read(source, in, IN_SIZE);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      perror("read");
      return 1;
    }
    const char *from = in;
    const char *const end = in + got;
    char *to = out;
    const char *gt;
    while ((gt = memchr(from, '>', (size_t)(end - from))) != NULL) {
      const size_t size = (size_t)(gt + 1 - from);
      memcpy(to, from, size);
      to += size;
      *to++ = '\r';
      *to++ = '\n';
      from = gt + 1;
    }
    memcpy(to, from, (size_t)(end - from));
    to += end - from;
    if (write_all(target, out, (size_t)(to - out)) != 0) {
      perror("write");
      return 1;
    }
  }
  if (close(target) != 0) {
    perror("close");
    return 1;
  }
  close(source);
  return 0;
}
