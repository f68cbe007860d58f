#include "RunCli.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TempDir.h"

namespace sorrel::test {

CliResult RunSorrel(const std::vector<std::string>& args, const std::string& stdinText,
                    StdoutTo stdoutTo) {
  TempDir tmp;
  std::string outPath = tmp.File("out"), errPath = tmp.File("err"),
              inPath = tmp.Write("in", stdinText);
  int pipeWriter = -1;
  if (stdoutTo == StdoutTo::ClosedPipe) {
    int fds[2];
    if (pipe(fds) == 0) {
      close(fds[0]);  // the reader is gone before anything is written
      pipeWriter = fds[1];
    }
  }
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(inPath.c_str(), O_RDONLY);
    int out = stdoutTo == StdoutTo::Captured
                  ? open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)
              : stdoutTo == StdoutTo::DevFull ? open("/dev/full", O_WRONLY)
                                              : pipeWriter;
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    alarm(120);  // kept across exec
    std::vector<char*> argv;
    std::string exe = SORREL_CLI;
    argv.push_back(exe.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  if (pipeWriter >= 0) close(pipeWriter);
  int status = 0;
  waitpid(pid, &status, 0);
  CliResult r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (stdoutTo == StdoutTo::Captured) r.out = ReadAll(outPath);
  r.err = ReadAll(errPath);
  return r;
}

}  // namespace sorrel::test
