// Times programs from their start to their first top-level window being mapped on the X display,
// alternating between them so that both see the same machine load.
//
//   rds_map_timer RUNS -- PROGRAM ARGS... [-- PROGRAM ARGS...]
//
// Prints the median and the range of each program in milliseconds, the ratio of each median to
// the first program's, and the same for the best runs.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Starts the program and waits for a window directly below the root to be mapped; -1 on failure
// or after ten seconds.
double TimeToMap(xcb_connection_t* x, xcb_window_t root, std::vector<char*>& command) {
  while (xcb_generic_event_t* stale = xcb_poll_for_event(x)) std::free(stale);
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::execvp(command[0], command.data());
    std::perror(command[0]);
    ::_exit(127);
  }
  double ms = -1;
  const int fd = xcb_get_file_descriptor(x);
  while (Clock::now() - start < std::chrono::seconds(10)) {
    xcb_generic_event_t* event = xcb_poll_for_event(x);
    if (!event) {
      fd_set read;
      FD_ZERO(&read);
      FD_SET(fd, &read);
      timeval wait{0, 2000};
      ::select(fd + 1, &read, nullptr, nullptr, &wait);
      if (::waitpid(child, nullptr, WNOHANG) == child) return -1;
      continue;
    }
    const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                        reinterpret_cast<xcb_map_notify_event_t*>(event)->event == root;
    std::free(event);
    if (mapped) {
      ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
  }
  ::kill(child, SIGTERM);
  ::waitpid(child, nullptr, 0);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
    std::fprintf(stderr, "usage: %s RUNS -- PROGRAM ARGS... [-- PROGRAM ARGS...]\n", argv[0]);
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  std::vector<std::vector<char*>> commands;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      commands.emplace_back();
    } else {
      commands.back().push_back(argv[i]);
    }
  }
  for (auto& c : commands) c.push_back(nullptr);

  xcb_connection_t* x = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(x)) {
    std::fprintf(stderr, "cannot open the X display\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(x);

  std::vector<std::vector<double>> times(commands.size());
  for (int run = 0; run < runs; ++run) {
    for (size_t c = 0; c < commands.size(); ++c) {
      const double ms = TimeToMap(x, root, commands[c]);
      if (ms < 0) {
        std::fprintf(stderr, "%s: no window was mapped\n", commands[c][0]);
        return 1;
      }
      times[c].push_back(ms);
    }
  }
  double base = 0;
  double baseBest = 0;
  for (size_t c = 0; c < commands.size(); ++c) {
    std::vector<double>& t = times[c];
    std::sort(t.begin(), t.end());
    const double median = t[t.size() / 2];
    if (c == 0) {
      base = median;
      baseBest = t.front();
    }
    std::printf(
        "%-28s median %7.1f ms  range %7.1f .. %7.1f ms  ratio %.2f  best-run ratio %.2f\n",
        std::string(commands[c][0]).substr(std::string(commands[c][0]).rfind('/') + 1).c_str(),
        median, t.front(), t.back(), median / base, t.front() / baseBest);
  }
  xcb_disconnect(x);
  return 0;
}
