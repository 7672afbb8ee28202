// How fast Keyfold reads and writes a full book, steps through it and starts, and how much memory it takes.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKEYFOLD_BENCH=ON
//   cmake --build build-bench -j2 --target bench_keyfold
//   QT_QPA_PLATFORM=offscreen build-bench/bench/bench_keyfold
//
// Before the benchmarks it prints the cold figures that a user meets once per run (the toolkit's own set-up, the first
// main window of the process) and the peak memory after a start-up with a 1000-record book and one pass through it.
// docs/performance.md keeps the figures measured on the development machine.
#include "login/Settings.h"
#include "mainwin/Form1.h"
#include "store/BookFormat.h"
#include "store/Cp932.h"
#include "store/DataFile.h"
#include "store/FoldedTable.h"
#include "store/Module1.h"
#include "ui/AppSetup.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <sys/resource.h>

namespace {

using Module1::FieldCount;
using Module1::MaxRecords;

constexpr int BookSize = MaxRecords;

// A book as people keep them: providers and notes in Japanese (kanji, kana, full- and half-width), host names,
// addresses and passwords in ASCII, a few fields left empty. Fixed seed, so every run measures the same book.
std::unique_ptr<Module1::Table> makeRealisticBook()
{
    static const char* const providers[] = {"さくらインターネット",  "ぷらら",  "ＯＣＮ 東京",  "BIGLOBE",
                                            "So-net 大阪支店",       "ﾆﾌﾃｨ",    "会社の光回線", "実家のＡＤＳＬ",
                                            "@nifty ダイヤルアップ", "ＤＩＯＮ"};
    static const char* const domains[] = {"example", "sakura", "plala", "ocn", "biglobe", "so-net", "nifty", "dion"};
    static const char* const people[] = {"yamada.taro", "suzuki", "k-tanaka", "hanako", "sato_jiro", "user"};
    static const char* const notes[] = {"ホームページ用", "予備", "仕事用（経理）", "ｹﾞｽﾄ", "家族共用"};

    auto book = std::make_unique<Module1::Table>();
    std::mt19937 random(20240601);
    const auto pick = [&random](const auto& list) { return QString::fromUtf8(list[random() % std::size(list)]); };
    const auto password = [&random] {
        static const char alphabet[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789!#$%&";
        QString text;
        for (int i = 0, n = 8 + static_cast<int>(random() % 5); i < n; ++i) {
            text += QLatin1Char(alphabet[random() % (sizeof alphabet - 1)]);
        }
        return text;
    };
    for (int r = 0; r < BookSize; ++r) {
        Module1::Record& record = (*book)[static_cast<size_t>(r)];
        const QString domain = pick(domains) + QStringLiteral(".ne.jp");
        const QString person = pick(people) + QString::number(r);
        record[0] = pick(providers) + QStringLiteral(" %1").arg(r + 1);
        record[1] = person;
        record[2] = password();
        record[3] = QStringLiteral("0%1-%2-%3")
                        .arg(3 + r % 7)
                        .arg(1000 + r, 4)
                        .arg((r * 7919) % 10000, 4, 10, QLatin1Char('0'));
        if (r % 3 != 0) { // not everyone has web space
            record[4] = QStringLiteral("ftp.") + domain;
            record[5] = r % 2 ? person : pick(notes);
            record[6] = password();
            record[7] = QStringLiteral("http://www.%1/~%2/").arg(domain, person);
        }
        record[8] = r % 4 ? QStringLiteral("news.") + domain : QString();
        record[9] = QStringLiteral("pop.") + domain;
        record[10] = QStringLiteral("smtp.") + domain;
        record[11] = person + QLatin1Char('@') + domain;
        record[12] = r % 5 ? password() : pick(notes);
    }
    return book;
}

// Files and settings for the whole run, in a temporary folder.
struct Workspace
{
    QTemporaryDir dir;
    std::unique_ptr<Module1::Table> book = makeRealisticBook();
    QByteArray bookBytes = store::formatBook(*book, BookSize);
    QString bookPath = dir.filePath(QStringLiteral("口座一覧.kf1"));

    Workspace()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        QFile file(bookPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(bookBytes) != bookBytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(bookPath));
            std::exit(1);
        }
        // The remembered file, and the option that skips the master-key dialog.
        login::writeSetting(login::KeyOptionCheck1, QStringLiteral("1"));
        login::writeSetting(login::KeyFileName, bookPath);
        login::writeSetting(login::KeyCheck1, QStringLiteral("1"));
    }
};

Workspace& workspace()
{
    static Workspace instance;
    return instance;
}

long peakMemoryKiB()
{
    struct rusage usage
    {
    };
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

// What main() does from the window's construction until it is on screen, the first paint included.
std::unique_ptr<Form1> startUp()
{
    Module1::resetState();
    auto window = std::make_unique<Form1>();
    if (!window->Form_Load()) {
        std::fprintf(stderr, "start-up ended early\n");
        std::exit(1);
    }
    window->show();
    QApplication::processEvents();
    return window;
}

// ---- The store ----

void BM_ParseBook(benchmark::State& state)
{
    const QByteArray& bytes = workspace().bookBytes;
    auto table = std::make_unique<Module1::Table>();
    for (auto _ : state) {
        state.PauseTiming();
        for (Module1::Record& record : *table) {
            for (QString& cell : record) {
                cell.clear();
            }
        }
        state.ResumeTiming();
        const store::ParsedBook result = store::parseBook(bytes, *table);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ParseBook)->Unit(benchmark::kMicrosecond);

// The store's whole share of DataOpen: empty all 1001 x 13 cells, read the file, fill the table.
void BM_OpenBookFile(benchmark::State& state)
{
    const QString& path = workspace().bookPath;
    for (auto _ : state) {
        Module1::clearWholeTable();
        const store::ReadResult result = store::readBookFile(path, Module1::RecordTable);
        if (result.error != store::FileError::None || result.recordCount != BookSize) {
            state.SkipWithError("the book did not read back");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * workspace().bookBytes.size());
}
BENCHMARK(BM_OpenBookFile)->Unit(benchmark::kMicrosecond);

void BM_FormatBook(benchmark::State& state)
{
    const Module1::Table& book = *workspace().book;
    for (auto _ : state) {
        QByteArray bytes = store::formatBook(book, BookSize);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * workspace().bookBytes.size());
}
BENCHMARK(BM_FormatBook)->Unit(benchmark::kMicrosecond);

// The check before every save: the book's bytes read back and each cell compared with its own round trip.
void BM_CheckBeforeSave(benchmark::State& state)
{
    const Module1::Table& book = *workspace().book;
    const QByteArray& bytes = workspace().bookBytes;
    for (auto _ : state) {
        if (store::firstCellNotReadBack(book, BookSize, bytes)) {
            state.SkipWithError("the book would not read back");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_CheckBeforeSave)->Unit(benchmark::kMicrosecond);

// The store's share of DataSave: format, write a new file beside the old one, flush it to disk and rename it over.
// The wall time includes waiting for the disk; the CPU time is the store's own work.
void BM_SaveBookFile(benchmark::State& state)
{
    const Module1::Table& book = *workspace().book;
    const QString path = workspace().dir.filePath(QStringLiteral("saved.kf1"));
    for (auto _ : state) {
        if (store::writeBookFile(path, book, BookSize).error != store::FileError::None) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * workspace().bookBytes.size());
}
BENCHMARK(BM_SaveBookFile)->Unit(benchmark::kMicrosecond);

// A search through the whole book for a text it does not hold (so every record is compared and the search wraps
// round to the record it started from), with the folded copy of the cells already made: provider names only
// (all=0) or all thirteen fields (all=1). BM_FoldBook is the folding of every cell that the first search after
// opening a book does.
void BM_FindInBook(benchmark::State& state)
{
    const Module1::Table& book = *workspace().book;
    const bool allFields = state.range(0) != 0;
    store::FoldedTable folded;
    folded.find(book, BookSize, 0, QStringLiteral("x"), true);
    const QString text = QStringLiteral("ｶﾞｽ会社");
    for (auto _ : state) {
        const int found = folded.find(book, BookSize, 500, text, allFields);
        if (found != -1) {
            state.SkipWithError("the text is in the book");
            break;
        }
    }
}
BENCHMARK(BM_FindInBook)->ArgName("all")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FoldBook(benchmark::State& state)
{
    const Module1::Table& book = *workspace().book;
    for (auto _ : state) {
        store::FoldedTable folded;
        benchmark::DoNotOptimize(folded.find(book, BookSize, 0, QStringLiteral("not there"), true));
    }
}
BENCHMARK(BM_FoldBook)->Unit(benchmark::kMillisecond);

// ---- The main window ----

// One iteration is a pass through the whole book by the scroll bar: positions 1 to 1000 (the blank position), then
// back to 0; "per_step" is the time of one change of position. With painted=1 the window also repaints after each
// step, as it does on screen.
void BM_StepThroughBook(benchmark::State& state)
{
    const bool painted = state.range(0) != 0;
    std::unique_ptr<Form1> window = startUp();
    QScrollBar* scroll = window->VScroll1;
    if (Module1::RecordCount != BookSize || scroll->maximum() != BookSize) {
        state.SkipWithError("the book did not open");
        return;
    }
    window->activateWindow();
    for (auto _ : state) {
        for (int position = 1; position <= BookSize + 1; ++position) {
            scroll->setValue(position % (BookSize + 1));
            if (painted) {
                QApplication::processEvents();
            }
        }
    }
    state.counters["per_step"] =
        benchmark::Counter(BookSize + 1, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepThroughBook)->ArgName("painted")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Start-up to the shown main window with the 1000-record book remembered and the master-key dialog skipped, in a
// process whose toolkit is already warm (the cold figure is printed before the benchmarks).
void BM_StartUp(benchmark::State& state)
{
    for (auto _ : state) {
        std::unique_ptr<Form1> window = startUp();
        if (Module1::RecordCount != BookSize) {
            state.SkipWithError("the remembered book did not open");
            break;
        }
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

// How often code page 932 text would be taken for UTF-8 without a mark: every string of one and of two characters,
// and a quarter of a million strings of three to six characters drawn evenly from kanji, kana, half-width katakana,
// full-width and other forms, and ASCII, each placed among ASCII cells as a spreadsheet row would hold it. Not a
// speed: the counters `taken` and `strings` are the result (README keeps the table).
void BM_TakenForUtf8(benchmark::State& state)
{
    static const std::array<std::vector<QByteArray>, 5> groups = [] {
        std::array<std::vector<QByteArray>, 5> made; // kanji, kana, half-width katakana, full-width and other, ASCII
        for (char16_t u = 0x20; u != 0; ++u) {
            const QString c(QChar{u});
            const QByteArray bytes = store::toCp932(c);
            if ((bytes == "?" && u != '?') || store::fromCp932(bytes) != c || u == '"' || u == ',' || u == 0x7F) {
                continue; // not a character of code page 932, or one a spreadsheet quotes
            }
            const int group = u < 0x7F                     ? 4
                              : u >= 0x4E00 && u <= 0x9FFF ? 0
                              : u >= 0x3040 && u <= 0x30FF ? 1
                              : u >= 0xFF61 && u <= 0xFF9F ? 2
                                                           : 3;
            made[group].push_back(bytes);
        }
        return made;
    }();
    std::vector<QByteArray> all;
    for (const auto& group : groups) {
        all.insert(all.end(), group.begin(), group.end());
    }
    const int length = static_cast<int>(state.range(0));
    long taken = 0, strings = 0;
    for (auto _ : state) {
        if (length == 1) {
            for (const QByteArray& a : all) {
                taken += store::looksLikeUtf8("id," + a + ",x\r\n");
            }
            strings = static_cast<long>(all.size());
        } else if (length == 2) {
            char pair[4];
            for (const QByteArray& a : all) {
                std::memcpy(pair, a.constData(), a.size());
                for (const QByteArray& b : all) {
                    std::memcpy(pair + a.size(), b.constData(), b.size());
                    taken += store::looksLikeUtf8(QByteArrayView(pair, a.size() + b.size()));
                }
            }
            strings = static_cast<long>(all.size() * all.size());
        } else {
            std::mt19937_64 random(20261207);
            for (strings = 0; strings < 250'000; ++strings) {
                QByteArray line = "id,";
                for (int n = 0; n < length; ++n) {
                    const auto& group = groups[random() % groups.size()];
                    line += group[random() % group.size()];
                }
                taken += store::looksLikeUtf8(line + ",x\r\n");
            }
        }
    }
    state.counters["taken"] = static_cast<double>(taken);
    state.counters["strings"] = static_cast<double>(strings);
}
BENCHMARK(BM_TakenForUtf8)->ArgName("chars")->DenseRange(1, 6)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    // The same set-up as the program's main().
    QElapsedTimer cold;
    cold.start();
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    const double applicationMs = static_cast<double>(cold.nsecsElapsed()) / 1e6;

    // Message boxes would wait for a person, and the program's end would end the benchmark.
    ui::Prompts::setScripted(true);
    ui::ProgramEnd::setTestHook([] {});
    workspace();

    cold.restart();
    {
        std::unique_ptr<Form1> window = startUp();
        const double firstWindowMs = static_cast<double>(cold.nsecsElapsed()) / 1e6;
        if (Module1::RecordCount != BookSize) {
            std::fprintf(stderr, "the remembered book did not open\n");
            return 1;
        }
        for (int position = 1; position <= BookSize; ++position) {
            window->VScroll1->setValue(position);
            QApplication::processEvents();
        }
        std::printf("cold: toolkit set-up (QApplication, style, font)       %8.1f ms\n", applicationMs);
        std::printf("cold: first start-up to the shown window, 1000 records %8.1f ms\n", firstWindowMs);
        std::printf("peak memory after that start-up and a pass through the book: %.1f MiB\n",
                    static_cast<double>(peakMemoryKiB()) / 1024.0);
    }
    std::fflush(stdout);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("peak memory of the whole benchmark run: %.1f MiB\n", static_cast<double>(peakMemoryKiB()) / 1024.0);
    return 0;
}
