#include "app/desktop.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

bool ShellOpen(const std::string& path) {
  // Fork twice so the opener is not left as our zombie and never waits on us.
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (fork() == 0) {
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
      }
      execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return true;
}

std::string UserConfigFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/tolmaric/";
  const char* home = std::getenv("HOME");
  if (home && home[0]) return std::string(home) + "/.config/tolmaric/";
  return "";
}
