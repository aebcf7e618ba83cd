// Time to generate the BASIC source of a large project: 100 forms of 200
// objects each, of every kind that writes statements, with texts and menus.
// The designer regenerates at most every 2000 ms, so one run must stay far
// below that.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "chareditor/dtrgjpixel.h"
#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgwobjs.h"
#include "design/surface/dsgcodegen.h"

namespace {

constexpr int kForms = 100;
constexpr int kObjectsPerForm = 200;

const int kKinds[] = {nDSG_WOKIND__WOBOX,  nDSG_WOKIND__WOLINE,    nDSG_WOKIND__WOTEXT,
                      nDSG_WOKIND__WOFBOX, nDSG_WOKIND__WOELLIPSE, nDSG_WOKIND__WOFELLIPSE,
                      nDSG_WOKIND__WOMENU, nDSG_WOKIND__WODNCHAR,  nDSG_WOKIND__WOTEXT,
                      nDSG_WOKIND__WOIMAGE};

struct Project {
    CDtrGGJPixel charset;
    std::vector<std::unique_ptr<CDsgEActions>> forms;
    std::vector<std::unique_ptr<CDsgWObjs>> objects;

    Project() {
        for (int code = 0xDB30; code < 0xDB40; ++code) {
            auto character = std::make_unique<CDtrGJPixel>();
            character->nccode = code;
            for (int i = 0; i < 256; i += 3) character->SetJPixel(i, CDtrGJPixel::GJP_INK);
            charset.AddGJPixel(std::move(character));
        }
        for (int f = 0; f < kForms; ++f) {
            auto actions = std::make_unique<CDsgEActions>();
            actions->SetSPIndex(f);
            int counter = 0;
            for (int i = 0; i < kObjectsPerForm; ++i) {
                const int kind = kKinds[(i + f) % std::size(kKinds)];
                const int x = (i * 7) % 100, y = (i * 13) % 50;
                CDsgUTProps attrs;
                attrs.SetString("UTP.cswitch", std::to_string(i % 2));
                attrs.SetString("UTP.dtspace", std::to_string(i % 3));
                attrs.SetString("UTP.dtsize", std::to_string(i % 4 == 0));
                attrs.SetString("UTP.krnfindex", std::to_string(i % 9));
                attrs.SetString("UTP.alnfindex", std::to_string(i % 2));
                attrs.SetString("UTP.lscript", kind == nDSG_WOKIND__WOMENU
                                                   ? "Menu " + std::to_string(i)
                                                   : "Line one of " + std::to_string(i) +
                                                         "\nsecond line, a little longer");
                attrs.SetString("UTP.dirncachar", std::to_string(0xDB30 + i % 20));
                auto create = std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
                create->InitWOCreation(
                    counter, kind,
                    CRect(x * 10000, y * 10000, (x + 40) * 10000 + 5000, (y + 30) * 10000), attrs,
                    FALSE);
                actions->EAAdd(std::move(create));
            }
            auto wobjs = std::make_unique<CDsgWObjs>();
            wobjs->WObjsFromEActions(*actions, FALSE);
            forms.push_back(std::move(actions));
            objects.push_back(std::move(wobjs));
        }
    }
};

const Project& GetProject() {
    static const Project project;
    return project;
}

// Every form from its objects in memory.
void BM_ProjectFromObjects(benchmark::State& state) {
    const Project& project = GetProject();
    size_t bytes = 0;
    for (auto _ : state) {
        CDsgPJCodeGen gen(project.charset, state.range(0), "DEFCHRS");
        for (int f = 0; f < kForms; ++f)
            gen.AddSPGCommands(*project.objects[f], "Form" + std::to_string(f));
        std::string text = gen.GetPJGCommands();
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ProjectFromObjects)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every form replayed from its edit-action list first, as the forms that are
// not shown are.
void BM_ProjectFromEActions(benchmark::State& state) {
    const Project& project = GetProject();
    for (auto _ : state) {
        CDsgPJCodeGen gen(project.charset, FALSE, "");
        for (int f = 0; f < kForms; ++f)
            gen.AddSPGCommands(*project.forms[f], "Form" + std::to_string(f));
        std::string text = gen.GetPJGCommands();
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_ProjectFromEActions)->Unit(benchmark::kMillisecond);

}  // namespace
