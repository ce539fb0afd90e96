#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace tresvik::test {

// A program of the build run as a child process with plain fork and exec, its standard output
// read through a pipe and its standard error kept in a temporary file. (QProcess starts children
// with clone(), which the thread sanitizer's runtime cannot follow in a threaded process.)
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (running()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) {
            ::close(m_out);
        }
        if (m_err != nullptr) {
            std::fclose(m_err);
        }
    }

    // Starts `program` with `args`; each of `env` ("NAME=value") is added to the environment.
    bool start(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env = {}) {
        std::vector<std::string> envStrings = env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry(*e);
            const std::string name = entry.substr(0, entry.find('=') + 1);
            bool replaced = false;
            for (const std::string& added : env) {
                replaced = replaced || added.rfind(name, 0) == 0;
            }
            if (!replaced) {
                envStrings.push_back(entry);
            }
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : envStrings) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);

        int pipeFds[2];
        m_err = std::tmpfile();
        if (m_err == nullptr || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
            return false;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(pipeFds[1], STDOUT_FILENO);
            ::dup2(::fileno(m_err), STDERR_FILENO);
            ::execve(program.c_str(), argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        m_out = pipeFds[0];
        return m_pid > 0;
    }

    pid_t pid() const { return m_pid; }
    bool running() const { return m_pid > 0 && !m_status; }
    const std::string& output() const { return m_output; }

    // The next line of standard output (without its line end), waiting up to `timeoutMs`.
    std::optional<std::string> readLine(int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t end = m_output.find('\n', m_lineStart);
            if (end != std::string::npos) {
                std::string line = m_output.substr(m_lineStart, end - m_lineStart);
                m_lineStart = end + 1;
                return line;
            }
            if (!readSome(remainingMs(deadline))) {
                return std::nullopt;
            }
        }
    }

    // Collects standard output for up to `timeoutMs`; false once the program has ended.
    bool collect(int timeoutMs) {
        readSome(timeoutMs);
        reap();
        return running();
    }

    bool signal(int sig) { return running() && ::kill(m_pid, sig) == 0; }

    // Waits up to `timeoutMs` for the program to end; true when it exited with `code`.
    bool waitForExit(int timeoutMs, int code = 0) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        reap();
        while (running() && Clock::now() < deadline) {
            // Output is read meanwhile, so that a program writing a lot is never held up.
            const int slice = std::min(kExitCheckMs, remainingMs(deadline));
            if (m_out < 0) {
                ::poll(nullptr, 0, slice);
            } else {
                readSome(slice);
            }
            reap();
        }
        while (readSome(0)) {
        }
        return m_status && WIFEXITED(*m_status) && WEXITSTATUS(*m_status) == code;
    }

    // Everything the program wrote to standard error so far.
    std::string errors() const {
        std::string text;
        std::rewind(m_err);
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_err)) > 0) {
            text.append(buffer, n);
        }
        return text;
    }

private:
    using Clock = std::chrono::steady_clock;
    // How often an ending program is looked at while it writes nothing.
    static constexpr int kExitCheckMs = 10;

    static int remainingMs(Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }

    // Reads what standard output has within `timeoutMs`; false when nothing came.
    bool readSome(int timeoutMs) {
        if (m_out < 0) {
            return false;
        }
        pollfd fd{m_out, POLLIN, 0};
        if (::poll(&fd, 1, timeoutMs) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = ::read(m_out, buffer, sizeof buffer);
        if (n <= 0) {
            ::close(m_out);
            m_out = -1;
            return false;
        }
        m_output.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    void reap() {
        int status = 0;
        if (running() && ::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_status = status;
        }
    }

    pid_t m_pid = -1;
    std::optional<int> m_status;
    int m_out = -1;
    std::FILE* m_err = nullptr;
    std::string m_output;
    std::size_t m_lineStart = 0;
};

}  // namespace tresvik::test
