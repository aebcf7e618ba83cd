// The notice bar's work, each next to a plain baseline in the same run:
// - a 100-item script parsed into items and the item of the second chosen
//   (the bar does this on every fetch and chooses on its 1000 ms tick) next
//   to splitting the same text into fields with nothing else;
// - a 64 KiB script fetched from a local server through the bounded fetch
//   (own network manager and event loop, as the worker runs it) next to a
//   raw socket read of the same reply.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTcpSocket>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "foundation/pixel/fxnoticebar.h"
#include "foundation/pixel/fxweblink.h"
#include "foundation/pixel/tests/localhttpserver.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "fxnoticebar_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

std::string HundredItemScript() {
    std::string script = "gntiscript:";
    for (int i = 0; i < 100; ++i) {
        if (i) script += "___";
        script += "<b>Notice " + std::to_string(i) +
                  "</b> new brushes and palettes|https://n.test/" + std::to_string(i) + "|" +
                  std::to_string(10 + i % 50) + "|id" + std::to_string(i) +
                  "|https://n.test/report.php";
    }
    return script;
}

void BM_ScriptParsedAndItemChosen(benchmark::State& state) {
    App();
    CFxRevPropStore options;
    std::atomic<int> running{1};
    CFxNoticeBar bar(&options, &running, "https://notice.example.com/x", "orvanta_main");
    long long second = 0;
    bar.SetSecondsClock([&] { return second; });
    const std::string script = HundredItemScript();
    for (auto _ : state) {
        options.SetString(CFxNoticeBar::kScriptKey, script);
        bar.LoadItems();
        ++second;
        bar.ShowCurrentItem();
        benchmark::DoNotOptimize(bar.GetLinkText());
    }
    state.counters["items"] = static_cast<double>(bar.GetItems().size());
}
BENCHMARK(BM_ScriptParsedAndItemChosen)->Unit(benchmark::kMicrosecond);

void BM_PlainSplitOfTheSameScript(benchmark::State& state) {
    const std::string script = HundredItemScript();
    for (auto _ : state) {
        std::vector<std::vector<std::string>> items;
        size_t start = 11;
        for (;;) {
            const size_t end = script.find("___", start);
            const std::string piece = script.substr(start, end - start);
            std::vector<std::string> fields;
            size_t f = 0;
            for (size_t bar; (bar = piece.find('|', f)) != std::string::npos; f = bar + 1)
                fields.push_back(piece.substr(f, bar - f));
            fields.push_back(piece.substr(f));
            items.push_back(std::move(fields));
            if (end == std::string::npos) break;
            start = end + 3;
        }
        benchmark::DoNotOptimize(items.data());
    }
}
BENCHMARK(BM_PlainSplitOfTheSameScript)->Unit(benchmark::kMicrosecond);

std::string Script64KiB() {
    std::string script = "gntiscript:big|https://b.test/|10||";
    script.resize(kFxFetchMaxBytes, 'a');
    return script;
}

void BM_Fetch64KiBScriptFromLocalServer(benchmark::State& state) {
    App();
    testsupport::LocalHttpServer server;
    server.Answer(200, Script64KiB());
    const std::string address = server.Address(CFxNoticeBar::kScriptPath);
    for (auto _ : state) {
        const FxFetchReply reply = FxFetchText(address, 3000);
        if (reply.result != FxFetchResult::Ok || reply.text.size() != kFxFetchMaxBytes)
            state.SkipWithError("fetch failed");
    }
}
BENCHMARK(BM_Fetch64KiBScriptFromLocalServer)->Unit(benchmark::kMillisecond);

void BM_RawSocketReadOfTheSameReply(benchmark::State& state) {
    App();
    testsupport::LocalHttpServer server;
    server.Answer(200, Script64KiB());
    const QUrl url(QString::fromStdString(server.Address(CFxNoticeBar::kScriptPath)));
    for (auto _ : state) {
        QTcpSocket socket;
        socket.connectToHost("127.0.0.1", static_cast<quint16>(url.port()));
        if (!socket.waitForConnected(3000)) state.SkipWithError("no connection");
        socket.write("GET " + url.path().toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray all;
        while (socket.waitForReadyRead(3000)) all += socket.readAll();
        all += socket.readAll();
        if (all.size() < kFxFetchMaxBytes) state.SkipWithError("short reply");
    }
}
BENCHMARK(BM_RawSocketReadOfTheSameReply)->Unit(benchmark::kMillisecond);

}  // namespace
