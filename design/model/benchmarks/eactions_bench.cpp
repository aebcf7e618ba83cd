// Undo and redo on forms with long histories. Every undo or redo moves the
// current position and rebuilds the form by replaying the history from its
// first action, so the time of one step grows with the length of the
// history; the figures show by how much.

#include <benchmark/benchmark.h>

#include <memory>

#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgwobjs.h"
#include "design/model/testing/creationdrag.h"

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

// Steps are taken at the end of the history, where a rebuild replays all of
// it: after `kSteps` of them the position goes back untimed.
constexpr int kSteps = 20;

void BM_Undo(benchmark::State& state) {
    Form form;
    Fill(form, static_cast<int>(state.range(0)));
    int taken = 0;
    for (auto _ : state) {
        if (taken == kSteps) {
            state.PauseTiming();
            while (form.IsRedoable()) form.RedoEAction();
            taken = 0;
            state.ResumeTiming();
        }
        form.UndoEAction();
        benchmark::DoNotOptimize(form.WObjsFromEActions(form, TRUE));
        ++taken;
    }
    state.SetComplexityN(state.range(0));
}

void BM_Redo(benchmark::State& state) {
    Form form;
    Fill(form, static_cast<int>(state.range(0)));
    int taken = kSteps;
    for (auto _ : state) {
        if (taken == kSteps) {
            state.PauseTiming();
            for (int i = 0; i < kSteps; ++i) form.UndoEAction();
            taken = 0;
            state.ResumeTiming();
        }
        form.RedoEAction();
        benchmark::DoNotOptimize(form.WObjsFromEActions(form, TRUE));
        ++taken;
    }
    state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_Undo)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(10000)
    ->Arg(30000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();
BENCHMARK(BM_Redo)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Complexity();
