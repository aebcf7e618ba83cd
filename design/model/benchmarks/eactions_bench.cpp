// Undo and redo on forms with long histories. Every undo or redo moves the
// current position and rebuilds the form: from the nearest checkpoint of the
// content and the take-backs kept since, beside the plain replay of the
// history from its first action.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgwobjs.h"
#include "design/model/testing/creationdrag.h"
#include "platform/testing/benchsizes.h"

namespace {

// A form as the design page holds one.
class Form : public CDsgEActions, public CDsgWObjs {
public:
    Form() { SetSPIndex(0); }
};

// A history of `count` actions, as a user makes them: objects of every kind
// drawn by creation drags (a joined creation and its geometry), some moved,
// some with a changed property, a few deleted, menus among them.
void Fill(Form& form, int count) {
    static const int kinds[] = {nDSG_WOKIND__WOBOX,   nDSG_WOKIND__WOLINE,  nDSG_WOKIND__WOTEXT,
                                nDSG_WOKIND__WOFBOX,  nDSG_WOKIND__WOMENU,  nDSG_WOKIND__WOELLIPSE,
                                nDSG_WOKIND__WOPTEXT, nDSG_WOKIND__WODNCHAR};
    CDsgUTProps attributes;
    attributes.SetString("UTP.lscript", "MENU ITEM");
    int step = 0;
    while (form.GetEACount() < count) {
        const int x = (step % 30) * 40000, y = (step % 20) * 30000;
        const int id = dsgtesting::AppendCreationDrag(
            form, kinds[step % 8], CRect(x, y, x + 200000, y + 100000), attributes);
        if (step % 2 == 0) {
            auto move = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            move->InitEDRMoving(CRect(x + 10000, y, x + 210000, y + 100000), id);
            form.EAAdd(std::move(move));
        }
        if (step % 3 == 0) {
            CDsgWOAmending amending;
            amending.SetStringAmending("UTP.cswitch", "0");
            auto amend = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            amend->InitWOAmending(id, FALSE, amending);
            form.EAAdd(std::move(amend));
        }
        if (step % 7 == 6) {
            auto remove = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
            remove->InitWODeletion(id - 3);
            form.EAAdd(std::move(remove));
        }
        ++step;
    }
    while (form.GetEACount() > count) form.DeleteLastEAction();
}

// The resident memory of the process in MB.
double ResidentMB() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// A filled form, shown once as the page does when the form is opened.
void Open(Form& form, int count) {
    Fill(form, count);
    form.WObjsFromEActions(form, TRUE);
}

// How a step rebuilds the form: from a checkpoint and the kept take-backs,
// as the page does, or by replaying the history from its first action.
using Rebuild = BOOL (*)(Form&);
BOOL FromCheckpoints(Form& form) { return form.WObjsFromEActions(form, TRUE); }
BOOL FromStart(Form& form) { return form.ReplayWObjsFromStart(form, TRUE); }

// Steps are taken at the end of the history: after `kSteps` of them the
// position goes back untimed.
constexpr int kSteps = 20;

void Undo(benchmark::State& state, Rebuild rebuild) {
    Form form;
    Open(form, static_cast<int>(state.range(0)));
    int taken = 0;
    for (auto _ : state) {
        if (taken == kSteps) {
            state.PauseTiming();
            while (form.IsRedoable()) form.RedoEAction();
            rebuild(form);
            taken = 0;
            state.ResumeTiming();
        }
        form.UndoEAction();
        benchmark::DoNotOptimize(rebuild(form));
        ++taken;
    }
    state.SetComplexityN(state.range(0));
}

void Redo(benchmark::State& state, Rebuild rebuild) {
    Form form;
    Open(form, static_cast<int>(state.range(0)));
    int taken = kSteps;
    for (auto _ : state) {
        if (taken == kSteps) {
            state.PauseTiming();
            for (int i = 0; i < kSteps; ++i) form.UndoEAction();
            rebuild(form);
            taken = 0;
            state.ResumeTiming();
        }
        form.RedoEAction();
        benchmark::DoNotOptimize(rebuild(form));
        ++taken;
    }
    state.SetComplexityN(state.range(0));
}

void BM_Undo(benchmark::State& state) { Undo(state, FromCheckpoints); }
void BM_Redo(benchmark::State& state) { Redo(state, FromCheckpoints); }
void BM_UndoPlainReplay(benchmark::State& state) { Undo(state, FromStart); }
void BM_RedoPlainReplay(benchmark::State& state) { Redo(state, FromStart); }

// The whole history undone step by step and redone again, each step shown.
void UndoRedoAll(benchmark::State& state, Rebuild rebuild) {
    Form form;
    Open(form, static_cast<int>(state.range(0)));
    int steps = 0;
    for (auto _ : state) {
        steps = 0;
        while (form.IsUndoable()) {
            form.UndoEAction();
            rebuild(form);
            ++steps;
        }
        while (form.IsRedoable()) {
            form.RedoEAction();
            rebuild(form);
            ++steps;
        }
    }
    state.counters["steps"] = steps;
    state.SetComplexityN(state.range(0));
}

void BM_UndoRedoAll(benchmark::State& state) { UndoRedoAll(state, FromCheckpoints); }
void BM_UndoRedoAllPlainReplay(benchmark::State& state) { UndoRedoAll(state, FromStart); }

// Memory: the history alone, then with its objects replayed from the start,
// then with the checkpoints and take-backs as undoing and redoing all of it
// leaves them (resident MB of the process, measured on a fresh form).
void BM_Memory(benchmark::State& state) {
    double history = 0, plain = 0, checkpoints = 0;
    for (auto _ : state) {
        const double base = ResidentMB();
        Form form;
        Fill(form, static_cast<int>(state.range(0)));
        history = ResidentMB() - base;
        form.ReplayWObjsFromStart(form, TRUE);
        plain = ResidentMB() - base;
        form.WObjsFromEActions(form, TRUE);
        while (form.IsUndoable()) {
            form.UndoEAction();
            form.WObjsFromEActions(form, TRUE);
        }
        while (form.IsRedoable()) {
            form.RedoEAction();
            form.WObjsFromEActions(form, TRUE);
        }
        checkpoints = ResidentMB() - base;
        state.counters["checkpoints"] =
            static_cast<double>(form.GetWObjsReplay().GetCheckpointPositions().size());
    }
    state.counters["history_MB"] = history;
    state.counters["replayed_MB"] = plain;
    state.counters["with_checkpoints_MB"] = checkpoints;
}

}  // namespace

// One step at 1,000 / 3,000 / 10,000 / 30,000 actions, with the plain replay
// from the start beside it.
BENCHMARK(BM_Undo)->Apply([](auto* b) {
                      benchsizes::Args(b, {1000, 3000, 10000, 30000});
                  }) -> Unit(benchmark::kMicrosecond) -> Complexity();
BENCHMARK(BM_UndoPlainReplay)
    ->Apply([](auto* b) {
        benchsizes::Args(b, {1000, 3000, 10000, 30000});
    }) -> Unit(benchmark::kMicrosecond) -> Complexity();
BENCHMARK(BM_Redo)->Apply([](auto* b) {
                      benchsizes::Args(b, {1000, 3000, 10000, 30000});
                  }) -> Unit(benchmark::kMicrosecond) -> Complexity();
BENCHMARK(BM_RedoPlainReplay)->Apply([](auto* b) {
                                 benchsizes::Args(b, {1000, 3000, 10000});
                             }) -> Unit(benchmark::kMicrosecond) -> Complexity();
BENCHMARK(BM_UndoRedoAll)->Apply([](auto* b) {
                             benchsizes::Args(b, {1000, 3000, 10000});
                         }) -> Unit(benchmark::kMillisecond) -> Iterations(1) -> Complexity();
// Every step replays from the start: only the smaller sizes finish in time.
BENCHMARK(BM_UndoRedoAllPlainReplay)
    ->Apply([](auto* b) {
        benchsizes::Args(b, {300, 1000, 3000});
    }) -> Unit(benchmark::kMillisecond) -> Iterations(1) -> Complexity();
BENCHMARK(BM_Memory)->Apply([](auto* b) {
                        benchsizes::Args(b, {1000, 10000, 30000});
                    }) -> Unit(benchmark::kMillisecond) -> Iterations(1);
