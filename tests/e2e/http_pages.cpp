// A web server for end-to-end tests on a machine without a network: serves the files of
// one folder on 127.0.0.1 at a port the system picks, prints "port N" once it listens,
// and runs until it is killed. Only GET of plain file names; everything else is 404.
//
// usage: e2e_http_pages FOLDER
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void SendAll(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

void Answer(int fd, const std::string& folder) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return;
        }
        request.append(buffer, static_cast<std::size_t>(n));
    }
    std::istringstream line(request.substr(0, request.find("\r\n")));
    std::string method;
    std::string target;
    line >> method >> target;
    const std::string name = target.substr(target.find_first_not_of('/') == std::string::npos
                                               ? target.size()
                                               : target.find_first_not_of('/'));
    const std::string file = name.substr(0, name.find_first_of("?#"));
    std::ifstream in(folder + "/" + file, std::ios::binary);
    if (method != "GET" || file.empty() || file.find('/') != std::string::npos || !in) {
        SendAll(fd, "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        return;
    }
    std::ostringstream body;
    body << in.rdbuf();
    SendAll(fd, "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                    std::to_string(body.str().size()) + "\r\nConnection: close\r\n\r\n" +
                    body.str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (server < 0 || ::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 16) != 0 ||
        ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("e2e_http_pages");
        return 1;
    }
    std::printf("port %d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (;;) {
        const int client = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        Answer(client, argv[1]);
        ::close(client);
    }
}
