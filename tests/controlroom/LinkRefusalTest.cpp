#include "controlroom/BackOff.h"
#include "tests/controlroom/LinkFixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <set>
#include <thread>

namespace quorvex::test {

namespace {

using link::LinkState;
using Clock = std::chrono::steady_clock;

std::size_t countHolding(const std::vector<std::string>& texts, const std::string& fragment) {
    return static_cast<std::size_t>(std::count_if(texts.begin(), texts.end(), [&](const std::string& text) {
        return text.find(fragment) != std::string::npos;
    }));
}

// A test authority and a broker certificate it signed for 127.0.0.1, and a second authority.
void makeCertificates(const std::filesystem::path& folder) {
    const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    runShell("cd " + folder.string() + " && openssl req -x509 " + key +
             " -keyout ca.key -out ca.crt -days 1 -subj /CN=TestCA 2>/dev/null"
             " && openssl req -x509 " +
             key +
             " -keyout other.key -out other.crt -days 1 -subj /CN=OtherCA 2>/dev/null"
             " && openssl req " +
             key +
             " -keyout server.key -out server.csr -subj /CN=127.0.0.1 2>/dev/null"
             " && printf 'subjectAltName=IP:127.0.0.1\\n' > san.ext"
             " && openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 1"
             " -extfile san.ext -out server.crt 2>/dev/null && chmod 644 *.key");
}

// A server that takes connections and every byte sent to it, and never answers; or, when it
// accepts, one that answers the CONNECT with an MQTT 5 CONNACK (accepted) and hangs up at once.
class SilentServer {
public:
    explicit SilentServer(bool accepts = false)
        : accepts_(accepts), socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(socket_, 8);
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { swallow(); });
    }
    ~SilentServer() {
        ::shutdown(socket_, SHUT_RDWR);
        thread_.join();
        ::close(socket_);
    }
    int port() const { return port_; }
    int connections() const { return connections_; }

private:
    void swallow() {
        std::vector<std::thread> readers;
        for (int client; (client = ::accept(socket_, nullptr, nullptr)) >= 0;) {
            ++connections_;
            readers.emplace_back([client, accepts = accepts_] {
                char bytes[512];
                if (accepts && ::read(client, bytes, sizeof bytes) > 0) {
                    const char connack[] = {0x20, 0x03, 0x00, 0x00, 0x00};
                    ::write(client, connack, sizeof connack);
                    ::shutdown(client, SHUT_RDWR);
                }
                while (::read(client, bytes, sizeof bytes) > 0) {
                }
                ::close(client);
            });
        }
        for (std::thread& reader : readers) {
            reader.join();
        }
    }

    bool accepts_;
    int socket_;
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace

// A wrong password is told once and retried ever later; the password from the environment then
// gets in. The broker's certificate is taken only from the authority we were given.
TEST_F(LinkTest, RefusalsAreToldOnceAndRetriedWithBackOff) {
    runShell("mosquitto_passwd -c -b " + (folder_.path() / "passwords").string() + " field secret");
    makeCertificates(folder_.path());
    const std::string tlsFiles = "cafile " + (folder_.path() / "ca.crt").string() + "\ncertfile " +
                                 (folder_.path() / "server.crt").string() + "\nkeyfile " +
                                 (folder_.path() / "server.key").string() + "\n";
    MqttBroker broker(folder_.path(), "allow_anonymous false\npassword_file " +
                                          (folder_.path() / "passwords").string() + "\n" + tlsFiles);
    openJournal();
    const std::string address = "127.0.0.1:" + std::to_string(broker.port()) + "/quorvex";
    const auto caFile = [&](const std::string& name) {
        return
            [&, name](link::LinkSettings& settings) { settings.caFile = (folder_.path() / name).string(); };
    };

    const auto start = Clock::now();
    auto publisher = publishTo("mqtts://field:wrong@" + address, caFile("ca.crt"));
    addPassage(0);
    ASSERT_TRUE(waitUntil([&] { return publisher->status().attempts >= 4; }));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(4800));  // 0.8 + 1.6 + 3.2 s at the least
    EXPECT_EQ(1u, countHolding(notices(), "refused the user name or password")) << notices().front();
    EXPECT_NE(LinkState::Online, publisher->status().state);
    EXPECT_EQ(1u, publisher->status().waiting);

    ::setenv(link::PasswordVariable, "secret", 1);
    publisher = publishTo("mqtts://field@" + address, [&](link::LinkSettings& settings) {
        caFile("ca.crt")(settings);
        link::applyPasswordVariable(settings.url);
    });
    ::unsetenv(link::PasswordVariable);
    ASSERT_TRUE(waitUntil([&] { return publisher->status().delivered == 1; }))
        << publisher->status().lastError;
    EXPECT_EQ(LinkState::Online, publisher->status().state);
    EXPECT_EQ("mqtts://field@" + address.substr(0, address.find('/')) + "/quorvex",
              publisher->status().broker);

    publisher = publishTo("mqtts://field:secret@" + address, caFile("other.crt"));
    ASSERT_TRUE(waitUntil([&] { return publisher->status().attempts >= 2; }));
    EXPECT_EQ(1u, countHolding(notices(), "certificate verify failed")) << publisher->status().lastError;
    EXPECT_EQ(0u, publisher->status().delivered);
    EXPECT_NE(LinkState::Online, publisher->status().state);
}

// A broker that takes the connection and never answers holds nothing: no row is marked, the link
// gives up on it and tries again, and the callers are never held up.
TEST_F(LinkTest, SilentBrokerMarksNothingDelivered) {
    SilentServer server;
    openJournal();
    auto publisher =
        publishTo("mqtt://127.0.0.1:" + std::to_string(server.port()) + "/quorvex",
                  [](link::LinkSettings& settings) { settings.answerWithin = std::chrono::seconds(1); });
    addPassage(0);
    auto slowest = Clock::duration::zero();
    ASSERT_TRUE(waitUntil([&] {
        const auto before = Clock::now();
        publisher->setUnit({"SN 4711", "connected", "QRV-200", "2.14", 50, 0, {}, {}});
        const bool retried = publisher->status().attempts >= 2;
        slowest = std::max(slowest, Clock::now() - before);
        return retried;
    }));
    EXPECT_LT(slowest, std::chrono::milliseconds(200));
    EXPECT_TRUE(waitUntil([&] { return server.connections() >= 2; }));
    EXPECT_EQ(1u, countHolding(notices(), "did not answer within 1 s"));
    EXPECT_EQ("0", query("SELECT count(*) FROM link_deliveries"));
    EXPECT_EQ(1u, publisher->status().waiting);
    const auto before = Clock::now();
    publisher.reset();
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(3));
}

// A broker that accepts and drops us at once does not start the back-off over: the waits still
// grow (0.2, 0.4, 0.8, 1.6 s at the least four fifths of them) and the fault is told once.
TEST_F(LinkTest, AcceptedThenDroppedConnectionsKeepBackingOff) {
    SilentServer server(true);
    openJournal();
    const auto start = Clock::now();
    auto publisher = publishTo("mqtt://127.0.0.1:" + std::to_string(server.port()) + "/quorvex",
                               [](link::LinkSettings& settings) {
                                   settings.firstRetry = std::chrono::milliseconds(200);
                                   settings.lastRetry = std::chrono::seconds(10);
                               });
    ASSERT_TRUE(waitUntil([&] { return server.connections() >= 5; }));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(2400));
    EXPECT_EQ(1u, countHolding(notices(), "connection was lost")) << testing::PrintToString(notices());
    EXPECT_LE(notices().size(), 2u) << testing::PrintToString(notices());
}

// The default back-off is capped so that a laptop is back within 15 s of its broker, and drawn
// at random below the cap so that a fleet does not come back at once.
TEST(LinkBackOff, DefaultsBringALaptopBackWithin15Seconds) {
    const link::LinkSettings settings;
    link::BackOff backOff(settings.firstRetry, settings.lastRetry);
    std::set<std::chrono::milliseconds::rep> waits;
    for (int i = 0; i < 40; ++i) {
        const auto wait = backOff.next();
        EXPECT_LE(wait + settings.answerWithin / 4, std::chrono::seconds(15)) << i;
        waits.insert(wait.count());
    }
    EXPECT_GT(waits.size(), 20u);
}

// The broker's certificate must name the host we asked for and come from an authority we trust:
// the one given, else the system's (OpenSSL's SSL_CERT_FILE stands in for the system bundle here).
// An encrypted client key is opened with the pass phrase of the settings, never by asking on the
// terminal.
TEST_F(LinkTest, TlsTrustsOnlyTheRightHostAndAuthorityAndAsksNoTerminal) {
    makeCertificates(folder_.path());
    const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1";
    runShell("cd " + folder_.path().string() + " && openssl req " + key +
             " -nodes -keyout wrong.key -out wrong.csr -subj /CN=elsewhere.example 2>/dev/null"
             " && printf 'subjectAltName=DNS:elsewhere.example\\n' > wrong.ext"
             " && openssl x509 -req -in wrong.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 1"
             " -extfile wrong.ext -out wrong.crt 2>/dev/null"
             " && openssl req -x509 " +
             key +
             " -nodes -keyout self.key -out self.crt -days 1 -subj /CN=127.0.0.1"
             " -addext subjectAltName=IP:127.0.0.1 2>/dev/null"
             " && openssl req " +
             key +
             " -passout pass:open-sesame -keyout client.key -out client.csr"
             " -subj /CN=field 2>/dev/null"
             " && openssl x509 -req -in client.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 1"
             " -out client.crt 2>/dev/null && chmod 644 *.key");
    const auto file = [&](const std::string& name) { return (folder_.path() / name).string(); };
    const auto brokerWith = [&](const std::string& name, const std::string& server, const std::string& more) {
        std::filesystem::create_directory(folder_.path() / name);
        return std::make_unique<MqttBroker>(folder_.path() / name, "allow_anonymous true\ncafile " +
                                                                       file("ca.crt") + "\ncertfile " +
                                                                       file(server + ".crt") + "\nkeyfile " +
                                                                       file(server + ".key") + "\n" + more);
    };
    struct Case {
        std::string name;
        std::string server;
        std::string brokerMore;
        std::function<void(link::LinkSettings&)> settings;
        std::string told;  // "" when the link must get through
    };
    const Case cases[] = {
        {"wrong host", "wrong", "", [&](auto& s) { s.caFile = file("ca.crt"); }, "certificate verify failed"},
        {"self-signed, no authority given", "self", "", [](auto&) {}, "certificate verify failed"},
        {"the system's authorities", "server", "", [](auto&) {}, ""},
        {"encrypted key without its pass phrase", "server", "require_certificate true\n",
         [&](auto& s) {
             s.caFile = file("ca.crt");
             s.certFile = file("client.crt");
             s.keyFile = file("client.key");
         },
         "its pass phrase is needed"},
        {"encrypted key with its pass phrase", "server", "require_certificate true\n",
         [&](auto& s) {
             s.caFile = file("ca.crt");
             s.certFile = file("client.crt");
             s.keyFile = file("client.key");
             s.keyPassword = "open-sesame";
         },
         ""},
    };
    ::setenv("SSL_CERT_FILE", file("ca.crt").c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto broker = brokerWith("broker" + std::to_string(&c - cases), c.server, c.brokerMore);
        const std::size_t toldBefore = notices().size();
        auto publisher = publishTo("mqtts://127.0.0.1:" + std::to_string(broker->port()) + "/quorvex",
                                   [&](link::LinkSettings& settings) {
                                       settings.firstRetry = std::chrono::milliseconds(200);
                                       c.settings(settings);
                                   });
        publisher->setUnit({"SN 4711", "connected", "QRV-200", "2.14", 87, 1, 52.5, 13.25});
        if (c.told.empty()) {
            EXPECT_TRUE(waitForState(*publisher, LinkState::Online)) << publisher->status().lastError;
            continue;
        }
        ASSERT_TRUE(waitUntil([&] { return publisher->status().attempts >= 3; }));
        const std::vector<std::string> all = notices();
        const std::vector<std::string> told(all.begin() + static_cast<std::ptrdiff_t>(toldBefore), all.end());
        EXPECT_EQ(1u, told.size()) << testing::PrintToString(told);
        EXPECT_EQ(1u, countHolding(told, c.told)) << testing::PrintToString(told);
        EXPECT_NE(LinkState::Online, publisher->status().state);
    }
    ::unsetenv("SSL_CERT_FILE");
}

}  // namespace quorvex::test
