#pragma once

// Plain epoll building blocks for the network benchmarks: fast loopback
// servers on their own thread (WHOIS, or whatever a benchmark speaks), and a minimal epoll client that runs
// the same connect/send/read/close cycles as the program, as the ceiling to measure the program's socket
// layer against. Header-only: each bench/*.cpp is a program of its own.

#include "benchutil.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace benchnet {

inline double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Whether the benchmarks' registries hold `name` free: every third name, by its
// first character ("0bench0.com", "3bench3.com", ...).
inline bool isFreeName(std::string_view name)
{
    return !name.empty() && (name[0] - '0') % 3 == 0;
}

// Replies of a registry's usual size: every third name free, the others taken
// with an expiry date and a status line.
inline std::string registryReply(std::string_view query)
{
    std::string r;
    if (isFreeName(query)) {
        r = "No match for \"" + std::string(query) + "\".\r\n";
    } else {
        r = "Domain Name: " + std::string(query) +
            "\r\nRegistrar: Example Registrar, Inc.\r\n"
            "Creation Date: 2001-02-03T04:05:06Z\r\nRegistry Expiry Date: 2031-02-03T04:05:06Z\r\n"
            "Domain Status: clientTransferProhibited https://icann.org/epp#clientTransferProhibited\r\n";
    }
    r += ">>> Last update of whois database: 2026-01-15T00:00:00Z <<<\r\n";
    while (r.size() < 600)
        r += "NOTICE: The expiration date displayed in this record is the date the registrar's sponsorship "
             "ends.\r\n";
    return r;
}

// Loopback servers on their own thread: one or more listening ports, one
// level-triggered epoll loop, listen backlog 4096. What the servers speak is
// the caller's: `answer` sees what a connection has received so far and
// appends to `out` what is to be sent; `refill` (optional) is asked for more
// once `out` has gone out, for replies too large to build at once. A
// connection marked `closeWhenSent` is closed once everything is sent; the
// others stay open for their next request.
class LoopbackServer
{
public:
    struct Conn {
        bool open = false;
        bool closeWhenSent = false;
        std::string in;
        std::string out;
        size_t sent = 0;
        long long produced = 0; // bytes `refill` has added so far
    };
    using Answer = std::function<void(Conn &)>;
    using Refill = std::function<bool(Conn &)>;

    explicit LoopbackServer(Answer answer, int ports = 1, Refill refill = {})
        : m_answer(std::move(answer))
        , m_refill(std::move(refill))
    {
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        watch(m_wake, EPOLLIN, EPOLL_CTL_ADD);
        for (int i = 0; i < ports; ++i) {
            int port = 0;
            const int fd = bench::listenOnLoopback(port);
            if (fd < 0)
                break;
            m_listen.push_back(fd);
            m_ports.push_back(static_cast<uint16_t>(port));
            watch(fd, EPOLLIN, EPOLL_CTL_ADD);
        }
        m_thread = std::thread([this] { loop(); });
    }
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    ~LoopbackServer()
    {
        const uint64_t one = 1;
        (void)!::write(m_wake, &one, sizeof one);
        if (m_thread.joinable())
            m_thread.join();
        for (size_t fd = 0; fd < m_conns.size(); ++fd) {
            if (m_conns[fd].open)
                ::close(static_cast<int>(fd));
        }
        for (int fd : m_listen)
            ::close(fd);
        ::close(m_epoll);
        ::close(m_wake);
    }

    uint16_t port() const { return m_ports.empty() ? 0 : m_ports.front(); }
    const std::vector<uint16_t> &ports() const { return m_ports; }
    // Connections closed after their whole reply went out.
    long served() const { return m_served.load(); }
    long connections() const { return m_accepted.load(); }

private:
    void watch(int fd, uint32_t events, int op)
    {
        epoll_event ev{};
        ev.events = events;
        ev.data.fd = fd;
        ::epoll_ctl(m_epoll, op, fd, &ev);
    }

    void drop(int fd)
    {
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
        m_conns[static_cast<size_t>(fd)] = Conn();
    }

    // Sends what is pending; false when the connection is gone.
    bool flush(int fd, Conn &c)
    {
        for (;;) {
            while (c.sent < c.out.size()) {
                const ssize_t n = ::send(fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
                if (n > 0) {
                    c.sent += static_cast<size_t>(n);
                    continue;
                }
                if (n < 0 && errno == EAGAIN) {
                    watch(fd, EPOLLIN | EPOLLOUT, EPOLL_CTL_MOD);
                    return true;
                }
                drop(fd);
                return false;
            }
            c.out.clear();
            c.sent = 0;
            if (!m_refill || !m_refill(c))
                break;
        }
        if (c.closeWhenSent) {
            ++m_served;
            drop(fd);
            return false;
        }
        watch(fd, EPOLLIN, EPOLL_CTL_MOD);
        return true;
    }

    bool isListen(int fd) const { return std::find(m_listen.begin(), m_listen.end(), fd) != m_listen.end(); }

    void loop()
    {
        std::vector<epoll_event> ready(512);
        char buf[8192];
        for (;;) {
            const int n = ::epoll_wait(m_epoll, ready.data(), static_cast<int>(ready.size()), -1);
            for (int i = 0; i < n; ++i) {
                const int fd = ready[i].data.fd;
                if (fd == m_wake)
                    return;
                if (isListen(fd)) {
                    for (int c; (c = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;) {
                        if (static_cast<size_t>(c) >= m_conns.size())
                            m_conns.resize(static_cast<size_t>(c) + 1024);
                        m_conns[static_cast<size_t>(c)].open = true;
                        ++m_accepted;
                        watch(c, EPOLLIN, EPOLL_CTL_ADD);
                    }
                    continue;
                }
                Conn &c = m_conns[static_cast<size_t>(fd)];
                if (!c.open)
                    continue;
                if ((ready[i].events & EPOLLOUT) && !flush(fd, c))
                    continue;
                if (!(ready[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)))
                    continue;
                const ssize_t got = ::recv(fd, buf, sizeof buf, 0);
                if (got <= 0) {
                    if (got == 0 || errno != EAGAIN)
                        drop(fd);
                    continue;
                }
                c.in.append(buf, static_cast<size_t>(got));
                if (c.closeWhenSent)
                    continue; // answered already; the rest is the client's business
                m_answer(c);
                if (!c.out.empty() || c.closeWhenSent)
                    flush(fd, c);
            }
        }
    }

    Answer m_answer;
    Refill m_refill;
    int m_epoll = -1;
    int m_wake = -1;
    std::vector<int> m_listen;
    std::vector<uint16_t> m_ports;
    std::vector<Conn> m_conns;
    std::atomic<long> m_served{0};
    std::atomic<long> m_accepted{0};
    std::thread m_thread;
};

// The first line a WHOIS client sent, without its line end; empty while the
// line is not complete.
inline std::optional<std::string_view> whoisQuery(const std::string &in)
{
    const size_t lf = in.find('\n');
    if (lf == std::string::npos)
        return std::nullopt;
    std::string_view query(in.data(), lf);
    if (!query.empty() && query.back() == '\r')
        query.remove_suffix(1);
    return query;
}

// A WHOIS server that answers each query line with `reply(query)` and closes.
class EpollServer : public LoopbackServer
{
public:
    using Replier = std::function<std::string(std::string_view query)>;

    explicit EpollServer(Replier reply)
        : LoopbackServer([reply = std::move(reply)](Conn &c) {
            if (const auto query = whoisQuery(c.in)) {
                c.out = reply(*query);
                c.closeWhenSent = true;
            }
        })
    {
    }
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
