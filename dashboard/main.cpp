// zando-dashboard: receives the plug-in's uploads, checks them and keeps them.
//   zando-dashboard serve [--listen HOST:PORT] [--database DB] [--secret-file FILE] [--tls-cert F --tls-key F]
//   zando-dashboard keys create NAME [--address URL] | keys list | keys revoke ID
//   zando-dashboard accounts public NAME on|off
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>

#include <CLI/CLI.hpp>

#include "dashboard/http_service.h"
#include "dashboard/server_secret.h"
#include "dashboard/storage.h"

namespace {

// Exit codes, one per kind of failure to start.
enum Exit : int {
    Done = 0,
    BadArguments = 2,
    CannotListen = 3,
    DatabaseUnreachable = 4,
    SchemaNewer = 5,
    SecretUnusable = 6,
    NotFound = 7,  // the key or account a command names is not there
    PagesMissing = 8,
};

// How long a stop waits for the connections still open.
constexpr std::chrono::seconds StopDeadline{10};

int Fail(int code, const std::string& message) {
    std::cerr << "zando-dashboard: " << message << "\n";
    return code;
}

// host:port, [v6]:port or a bare port.
bool ReadListen(const std::string& text, dashboard::ServiceOptions& options) {
    const std::size_t colon = text.rfind(':');
    std::string host = colon == std::string::npos ? options.host : text.substr(0, colon);
    const std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
    if (host.size() > 1 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    try {
        std::size_t used = 0;
        const int number = std::stoi(port, &used);
        if (used != port.size() || number < 0 || number > 65535 || host.empty()) return false;
        options.host = host;
        options.port = number;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

struct Common {
    std::string database = "zando-dashboard.sqlite3";
    std::string secretFile = "zando-dashboard.secret";
};

// The database opened and brought up to date, or the exit code and its line.
int OpenDatabase(const Common& common, std::unique_ptr<dashboard::Storage>& storage) {
    try {
        storage = dashboard::OpenStorage(common.database);
        storage->Migrate();
        return Done;
    } catch (const dashboard::SchemaTooNew& newer) {
        return Fail(SchemaNewer, std::string(newer.what()) + "; use a newer zando-dashboard (the database was not changed)");
    } catch (const dashboard::StorageUnavailable& unavailable) {
        return Fail(DatabaseUnreachable, std::string("cannot open the database: ") + unavailable.what());
    }
}

int Serve(const Common& common, dashboard::ServiceOptions options, const std::filesystem::path& web) {
    // SIGTERM and SIGINT are taken by a thread of their own (sigwait), so every other thread blocks them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::optional<dashboard::ServerSecret> secret;
    try {
        secret = dashboard::ServerSecret::LoadOrCreate(common.secretFile);
    } catch (const std::exception& error) {
        return Fail(SecretUnusable, error.what());
    }
    if (secret->readableByOthers)
        std::cerr << "zando-dashboard: warning: " << common.secretFile
                  << " can be read by other accounts; make it readable by the service only (chmod 600)\n";
    std::string missing;
    const std::optional<dashboard::WebAssets> pages = dashboard::ReadWebAssets(web, missing);
    if (!pages)
        return Fail(PagesMissing, "the pages' files are missing (" + missing + "): install the chart library with `npm ci` in " +
                                      web.string() + " (./run does)");
    options.pages = &*pages;
    std::unique_ptr<dashboard::Storage> storage;
    if (const int failed = OpenDatabase(common, storage)) return failed;

    std::mutex logMutex;
    options.accessLog = [&logMutex](const std::string& line) {
        const std::string whole = line + "\n";  // one write a line: standard error is not buffered
        std::scoped_lock lock(logMutex);
        std::cerr.write(whole.data(), static_cast<std::streamsize>(whole.size()));
    };
    try {
        dashboard::DashboardService service(*storage, *secret, options);
        const int port = service.Bind();
        const bool tls = !options.tlsCertificate.empty();
        std::cout << "zando-dashboard: listening on " << (tls ? "https" : "http") << "://"
                  << (options.host.find(':') != std::string::npos ? "[" + options.host + "]" : options.host) << ":" << port
                  << std::endl;
        std::atomic<bool> signalled = false;
        std::mutex servingMutex;
        std::condition_variable servingEnded;
        bool serving = true;
        std::thread stopper([&] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            if (signalled.exchange(true)) return;  // the service ended on its own
            std::cerr << "zando-dashboard: stopping (" << (signal == SIGTERM ? "SIGTERM" : "SIGINT")
                      << "): finishing the requests in flight\n";
            service.Stop();
            // A client that keeps its connection open by sending a byte now and then would hold the
            // stop for as long as it likes. Every upload answered is committed before its answer, so
            // past the deadline the process ends without waiting for such connections.
            std::unique_lock lock(servingMutex);
            if (!servingEnded.wait_for(lock, StopDeadline, [&] { return !serving; })) {
                std::cerr << "zando-dashboard: stopped at its " << StopDeadline.count()
                          << " s deadline, leaving the connections still open\n";
                std::_Exit(Done);
            }
        });
        service.Serve();
        {
            const std::scoped_lock lock(servingMutex);
            serving = false;
        }
        servingEnded.notify_all();
        if (!signalled.exchange(true)) pthread_kill(stopper.native_handle(), SIGTERM);
        stopper.join();
        service.Stop();
        std::cerr << "zando-dashboard: stopped; " << service.Batcher().Stored() << " uploads committed in "
                  << service.Batcher().Commits() << " transactions\n";
        return Done;
    } catch (const dashboard::ListenError& error) {
        return Fail(CannotListen, error.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"zando-dashboard: receives, checks and keeps the matches the ZANDO plug-in uploads"};
    app.require_subcommand(1);
    Common common;
    const auto addCommon = [&](CLI::App* command) {
        command
            ->add_option("--database", common.database,
                         "an SQLite file (made if missing), or postgresql://user@host:port/database")
            ->capture_default_str();
        command
            ->add_option("--secret-file", common.secretFile,
                         "the server secret that seals the keys (made if missing; keep it readable by the service only)")
            ->capture_default_str();
    };

    dashboard::ServiceOptions options;
    std::string listen = "127.0.0.1:8080";
    CLI::App* serve = app.add_subcommand("serve", "answer uploads from the plug-in");
    addCommon(serve);
    serve->add_option("--listen", listen, "HOST:PORT to listen on (0.0.0.0:PORT for every address; PORT 0: any free port)")
        ->capture_default_str();
    serve->add_option("--tls-cert", options.tlsCertificate, "PEM certificate (with --tls-key: HTTPS)");
    serve->add_option("--tls-key", options.tlsKey, "PEM private key of the certificate");
    serve->add_option("--uploads-per-minute", options.uploadsPerMinute, "uploads a key may make a minute (0: no limit)")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    dashboard::ConnectionLimits& limits = options.limits;
    serve->add_option("--max-connections", limits.total, "connections open at once, in all")
        ->capture_default_str()
        ->check(CLI::Range(1, 100000));
    serve
        ->add_option("--max-connections-per-address", limits.perAddress,
                     "connections open at once from one client address (a proxy on this machine has the total only)")
        ->capture_default_str()
        ->check(CLI::Range(1, 100000));
    double headSeconds = 10, bodySeconds = 30;
    serve->add_option("--head-seconds", headSeconds, "seconds a client has to send a request's head, from its first wait")
        ->capture_default_str()
        ->check(CLI::Range(0.1, 3600.0));
    serve->add_option("--body-seconds", bodySeconds, "seconds a client has to send a request's body, after its head")
        ->capture_default_str()
        ->check(CLI::Range(0.1, 3600.0));
    serve->final_callback([&] {
        limits.headDeadline = std::chrono::milliseconds(static_cast<int64_t>(headSeconds * 1000));
        limits.bodyDeadline = std::chrono::milliseconds(static_cast<int64_t>(bodySeconds * 1000));
    });

    std::filesystem::path web = ZANDO_DASHBOARD_WEB_DIR;
    serve->add_option("--web", web, "the folder of the pages' files (with the chart library installed by npm)")
        ->capture_default_str();

    CLI::App* keys = app.add_subcommand("keys", "create, list and revoke API keys");
    keys->require_subcommand(1);
    std::string account;
    CLI::App* create = keys->add_subcommand("create", "make a new key for the account NAME (made if new); printed once");
    create->add_option("NAME", account, "the account's name")->required();
    std::string address = "http://127.0.0.1:8080";
    create->add_option("--address", address, "the address players reach the service at, for the pages' sign-in link")
        ->capture_default_str();
    addCommon(create);
    CLI::App* list = keys->add_subcommand("list", "every key: id, account, its first characters, when made and revoked");
    addCommon(list);
    int64_t keyId = 0;
    CLI::App* revoke = keys->add_subcommand("revoke", "revoke the key ID (its uploads are refused with 403 from now on)");
    revoke->add_option("ID", keyId, "the key's id, as `keys list` shows it")->required();
    addCommon(revoke);

    CLI::App* accounts = app.add_subcommand("accounts", "settings of an account");
    accounts->require_subcommand(1);
    CLI::App* makePublic = accounts->add_subcommand(
        "public", "on: every signed-in account may compare with NAME's matches; off (the default): only NAME");
    std::string visibility;
    makePublic->add_option("NAME", account, "the account's name")->required();
    makePublic->add_option("SETTING", visibility, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    addCommon(makePublic);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? Done : BadArguments;
    }

    if (serve->parsed()) {
        if (!ReadListen(listen, options)) return Fail(BadArguments, "--listen takes HOST:PORT, not \"" + listen + "\"");
        return Serve(common, options, web);
    }
    std::unique_ptr<dashboard::Storage> storage;
    if (const int failed = OpenDatabase(common, storage)) return failed;
    try {
        if (create->parsed()) {
            const dashboard::ServerSecret secret = dashboard::ServerSecret::LoadOrCreate(common.secretFile);
            const std::string key = dashboard::NewApiKey();
            const dashboard::KeyRecord made = storage->CreateKey(account, secret.KeyHash(key), dashboard::KeyPrefix(key));
            std::cout << key << "\n";
            // The key rides in the link's fragment, which a browser never sends: the sign-in page posts it.
            std::cout << "sign-in link: " << (address.ends_with('/') ? address.substr(0, address.size() - 1) : address)
                      << "/signin#key=" << key << "\n";
            std::cerr << "zando-dashboard: key " << made.keyId << " made for the account \"" << account
                      << "\"; it is shown this once: put it in ZANDO's API key setting, and open the sign-in link to see "
                         "the account's pages\n";
        } else if (list->parsed()) {
            for (const dashboard::KeyListing& key : storage->ListKeys())
                std::cout << key.keyId << "\t" << key.account << "\t" << key.prefix << "\tmade " << key.createdAt
                          << (key.revokedAt.empty() ? "" : "\trevoked " + key.revokedAt) << "\n";
        } else if (makePublic->parsed()) {
            if (!storage->SetPublic(account, visibility == "on"))
                return Fail(NotFound, "no account is named \"" + account + "\"");
            std::cerr << "zando-dashboard: the account \"" << account << "\" is "
                      << (visibility == "on" ? "public: every signed-in account may compare with it" : "private") << "\n";
        } else if (revoke->parsed()) {
            if (!storage->RevokeKey(keyId)) return Fail(NotFound, "no valid key has the id " + std::to_string(keyId));
            std::cerr << "zando-dashboard: key " << keyId << " revoked\n";
        }
    } catch (const dashboard::StorageUnavailable& unavailable) {
        return Fail(DatabaseUnreachable, unavailable.what());
    } catch (const std::runtime_error& error) {
        return Fail(SecretUnusable, error.what());
    }
    return Done;
}
