/* Runs commands round after round and reports, for each run, its wall time, its peak resident
 * memory and its CPU time. Each command is a file of NUL-terminated arguments, so arguments of
 * any length and content pass unchanged. The child inherits the environment and the working
 * directory; its standard streams are /dev/null.
 *
 * Usage: spawn_timer ROUNDS WARMUP COMMAND_FILE...
 * Output, one line per measured run: command index, nanoseconds, max RSS in KiB, wait status,
 * CPU microseconds (user and system, of the command and of the children it waited for).
 *
 * A run is over when the command has ended; what it started and left running (the application
 * that an open hands the document to, which outlives the launcher and `gio open` alike) would
 * still be running during the next timed run, on a machine of two cores. So the spawner is the
 * subreaper of everything its commands start, and after each run it waits, untimed, until all
 * of that has ended too: each run starts on a machine that is as quiet as the spawner can make
 * it. Whatever is still running after SETTLE_SECONDS ends the measurement with an error.
 *
 * At exec the kernel carries the spawner's own peak resident memory into the child's figure.
 * So the spawner is small C, holds only the command it is about to run, and resets its peak
 * (/proc/self/clear_refs) before each run. */

#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

enum { SETTLE_SECONDS = 10 };

struct command {
  char* data;
  char** argv;
};

static struct command read_command(const char* file) {
  int fd = open(file, O_RDONLY);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    perror(file);
    exit(2);
  }
  size_t size = (size_t)st.st_size;
  char* data = malloc(size + 1);
  size_t done = 0;
  while (done < size) {
    ssize_t got = read(fd, data + done, size - done);
    if (got <= 0) {
      perror(file);
      exit(2);
    }
    done += (size_t)got;
  }
  close(fd);
  data[size] = '\0';
  size_t count = 0;
  for (size_t i = 0; i < size; ++i) count += data[i] == '\0';
  char** argv = calloc(count + 1, sizeof *argv);
  size_t n = 0;
  for (size_t i = 0; i < size && n < count; i += strlen(data + i) + 1) argv[n++] = data + i;
  if (n == 0) {
    fprintf(stderr, "%s: empty command\n", file);
    exit(2);
  }
  struct command command = {data, argv};
  return command;
}

static void free_command(struct command command) {
  free(command.argv);
  free(command.data);
}

/* Lowers the peak resident memory to what the process holds now. */
static void reset_peak_memory(void) {
  int fd = open("/proc/self/clear_refs", O_WRONLY);
  if (fd < 0 || write(fd, "5", 1) != 1) {
    perror("/proc/self/clear_refs");
    exit(2);
  }
  close(fd);
}

static void on_alarm(int signal) { (void)signal; }

/* Waits until every process that the last command left behind has ended. */
static void settle(const char* command) {
  alarm(SETTLE_SECONDS);
  for (;;) {
    const pid_t ended = waitpid(-1, NULL, 0);
    if (ended > 0) continue;
    if (errno == ECHILD) break;
    if (errno == EINTR) {
      fprintf(stderr, "%s: what it started still runs after %d s\n", command, SETTLE_SECONDS);
      exit(2);
    }
    perror("waitpid");
    exit(2);
  }
  alarm(0);
}

static long long now_ns(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: spawn_timer ROUNDS WARMUP COMMAND_FILE...\n");
    return 2;
  }
  const int rounds = atoi(argv[1]);
  const int warmup = atoi(argv[2]);
  const int commands = argc - 3;

  if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
    perror("PR_SET_CHILD_SUBREAPER");
    return 2;
  }
  /* The alarm interrupts a settle that takes too long (no SA_RESTART). */
  struct sigaction alarm_action;
  memset(&alarm_action, 0, sizeof alarm_action);
  alarm_action.sa_handler = on_alarm;
  sigemptyset(&alarm_action.sa_mask);
  sigaction(SIGALRM, &alarm_action, NULL);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  for (int round = 0; round < warmup + rounds; ++round) {
    for (int c = 0; c < commands; ++c) {
      struct command command = read_command(argv[c + 3]);
      reset_peak_memory();
      pid_t pid;
      const long long start = now_ns();
      int error = posix_spawn(&pid, command.argv[0], &actions, NULL, command.argv, environ);
      if (error != 0) {
        fprintf(stderr, "%s: %s\n", command.argv[0], strerror(error));
        return 2;
      }
      int status;
      struct rusage usage;
      if (wait4(pid, &status, 0, &usage) != pid) {
        perror("wait4");
        return 2;
      }
      const long long elapsed = now_ns() - start;
      settle(command.argv[0]);
      free_command(command);
      const long cpu_us = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L +
                          usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
      if (round >= warmup) {
        printf("%d %lld %ld %d %ld\n", c, elapsed, usage.ru_maxrss, status, cpu_us);
      }
    }
  }
  return 0;
}
