// Starts a server program on 127.0.0.1 for one test and stops it afterwards. The program
// must print its port number on standard output (alone, or after "port ").
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kolo::test {

class LocalServer {
public:
    // Runs `argv` (argv[0] is a path) and waits up to 10 s for the port.
    explicit LocalServer(const std::vector<std::string>& argv);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    bool Running() const { return port_ > 0; }
    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// The folder-loading fault server serving `root`, and Python's own server serving `root`.
std::vector<std::string> FaultServerCommand(const std::string& root);
std::vector<std::string> PythonHttpServerCommand(const std::string& root);

}  // namespace kolo::test
