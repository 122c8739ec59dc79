#pragma once

// Plain epoll building blocks for the network benchmarks: a fast loopback WHOIS
// server on its own thread, and a minimal epoll client that runs the same
// connect/send/read/close cycles as the program, as the ceiling to measure the
// program's socket layer against. Header-only: each bench/*.cpp is a program
// of its own.

#include "benchutil.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace benchnet {

inline double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A WHOIS server that answers each query line with `reply(query)` and closes.
// Single thread, level-triggered epoll, listen backlog 4096.
class EpollServer
{
public:
    using Replier = std::function<std::string(std::string_view query)>;

    explicit EpollServer(Replier reply)
        : m_reply(std::move(reply))
    {
        int port = 0;
        m_listen = bench::listenOnLoopback(port);
        if (m_listen < 0)
            return;
        m_port = static_cast<uint16_t>(port);
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        add(m_listen, EPOLLIN);
        add(m_wake, EPOLLIN);
        m_thread = std::thread([this] { loop(); });
    }

    ~EpollServer()
    {
        if (m_thread.joinable()) {
            const uint64_t one = 1;
            (void)!::write(m_wake, &one, sizeof one);
            m_thread.join();
        }
        for (size_t fd = 0; fd < m_conns.size(); ++fd) {
            if (m_conns[fd].open)
                ::close(static_cast<int>(fd));
        }
        for (int fd : {m_listen, m_epoll, m_wake}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    uint16_t port() const { return m_port; }
    long served() const { return m_served.load(); }

private:
    struct Conn {
        bool open = false;
        bool replying = false;
        std::string in;
        std::string out;
        size_t sent = 0;
    };

    void add(int fd, uint32_t events)
    {
        epoll_event ev{};
        ev.events = events;
        ev.data.fd = fd;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &ev);
    }

    void drop(int fd)
    {
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
        m_conns[static_cast<size_t>(fd)] = Conn();
    }

    void flush(int fd, Conn &c)
    {
        while (c.sent < c.out.size()) {
            const ssize_t n = ::send(fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
            if (n > 0) {
                c.sent += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EAGAIN) {
                epoll_event ev{};
                ev.events = EPOLLOUT;
                ev.data.fd = fd;
                ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &ev);
                return;
            }
            drop(fd);
            return;
        }
        ++m_served;
        drop(fd);
    }

    void loop()
    {
        std::vector<epoll_event> ready(512);
        char buf[4096];
        for (;;) {
            const int n = ::epoll_wait(m_epoll, ready.data(), static_cast<int>(ready.size()), -1);
            for (int i = 0; i < n; ++i) {
                const int fd = ready[i].data.fd;
                if (fd == m_wake)
                    return;
                if (fd == m_listen) {
                    for (;;) {
                        const int c = ::accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                        if (c < 0)
                            break;
                        if (static_cast<size_t>(c) >= m_conns.size())
                            m_conns.resize(static_cast<size_t>(c) + 1024);
                        m_conns[static_cast<size_t>(c)].open = true;
                        add(c, EPOLLIN);
                    }
                    continue;
                }
                Conn &c = m_conns[static_cast<size_t>(fd)];
                if (!c.open)
                    continue;
                if (c.replying) {
                    flush(fd, c);
                    continue;
                }
                const ssize_t got = ::recv(fd, buf, sizeof buf, 0);
                if (got <= 0) {
                    if (got == 0 || errno != EAGAIN)
                        drop(fd);
                    continue;
                }
                c.in.append(buf, static_cast<size_t>(got));
                const size_t lf = c.in.find('\n');
                if (lf == std::string::npos)
                    continue;
                std::string_view query(c.in.data(), lf);
                if (!query.empty() && query.back() == '\r')
                    query.remove_suffix(1);
                c.out = m_reply(query);
                c.replying = true;
                flush(fd, c);
            }
        }
    }

    Replier m_reply;
    int m_listen = -1;
    int m_epoll = -1;
    int m_wake = -1;
    uint16_t m_port = 0;
    std::vector<Conn> m_conns;
    std::atomic<long> m_served{0};
    std::thread m_thread;
};

struct ClientResult {
    double seconds = 0;
    long cycles = 0;   // exchanges that ended with the server's close
    long failures = 0; // connect or read errors
    long bytes = 0;    // reply bytes read
};

// The ceiling: `concurrency` connections at a time, each connect -> send the
// query line -> read until the server closes -> close, until `cycles` are done.
inline ClientResult runEpollClient(uint16_t port, int concurrency, long cycles, const std::string &queryLine)
{
    ClientResult result;
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    enum State : uint8_t { Idle, Connecting, Reading };
    std::vector<State> states;
    long started = 0;
    const auto open = [&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return;
        ++started;
        if (static_cast<size_t>(fd) >= states.size())
            states.resize(static_cast<size_t>(fd) + 1024, Idle);
        ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        states[static_cast<size_t>(fd)] = Connecting;
        epoll_event ev{};
        ev.events = EPOLLOUT;
        ev.data.fd = fd;
        ::epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev);
    };
    const auto finish = [&](int fd, bool ok) {
        ::epoll_ctl(ep, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
        states[static_cast<size_t>(fd)] = Idle;
        ok ? ++result.cycles : ++result.failures;
        if (started < cycles)
            open();
    };

    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < concurrency && started < cycles; ++i)
        open();
    std::vector<epoll_event> ready(1024);
    static char buf[64 * 1024];
    while (result.cycles + result.failures < started || started < cycles) {
        const int n = ::epoll_wait(ep, ready.data(), static_cast<int>(ready.size()), 5000);
        if (n <= 0)
            break; // stalled: report what was done
        for (int i = 0; i < n; ++i) {
            const int fd = ready[i].data.fd;
            if (states[static_cast<size_t>(fd)] == Connecting) {
                int err = 0;
                socklen_t len = sizeof err;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
                if (err != 0 || ::send(fd, queryLine.data(), queryLine.size(), MSG_NOSIGNAL) !=
                                    static_cast<ssize_t>(queryLine.size())) {
                    finish(fd, false);
                    continue;
                }
                states[static_cast<size_t>(fd)] = Reading;
                epoll_event ev{};
                ev.events = EPOLLIN;
                ev.data.fd = fd;
                ::epoll_ctl(ep, EPOLL_CTL_MOD, fd, &ev);
                continue;
            }
            for (;;) {
                const ssize_t got = ::recv(fd, buf, sizeof buf, 0);
                if (got > 0) {
                    result.bytes += got;
                    continue;
                }
                if (got == 0)
                    finish(fd, true);
                else if (errno != EAGAIN)
                    finish(fd, false);
                break;
            }
        }
    }
    result.seconds = secondsSince(t0);
    ::close(ep);
    return result;
}

} // namespace benchnet
