// How fast the heaviest page the program polls, the trifecta odds table, becomes body
// markup: the program renders several of these a minute while racing is on.
#include <QString>

#include <gumbo.h>

#include <benchmark/benchmark.h>

#include "fetch/html_renderer.h"
#include "session/settings.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

// Laid out as the site lays it out: one tag per line, a table per first-place horse,
// one row per combination with its odds and popularity rank.
QString trifectaPage()
{
    const QString horses[] = {u"カゼノサキガケ"_s, u"ミナミノホシ"_s,   u"オオイノヒカリ"_s, u"トウキョウダイヤ"_s,
                              u"ハマノカゼ"_s,     u"ツキノミフネ"_s,   u"サクラビジン"_s,   u"ユメノカケハシ"_s,
                              u"アオイソラ"_s,     u"シンデンオー"_s,   u"ヨゾラノツバサ"_s, u"ハヤテマル"_s,
                              u"コハクノミチ"_s,   u"アカツキボーイ"_s, u"ナギサノウタ"_s,   u"イナズマクイーン"_s};
    const int runners = 16;
    QString page;
    page.reserve(600'000);
    page += u"<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"Shift_JIS\">\n"
            u"<title>三連単オッズ 大井 11R</title>\n</head>\n<body>\n<div id=\"odds\">\n"
            u"<h2>三連単オッズ&nbsp;大井11R</h2>\n"_s;
    int rank = 1;
    for (int first = 1; first <= runners; ++first) {
        page += u"<table class=\"odds_table\" border=\"1\" cellpadding=\"2\">\n<tr>\n<th colspan=\"4\">"_s +
                QString::number(first) + u"番 "_s + horses[first - 1] + u"</th>\n</tr>\n"_s;
        for (int second = 1; second <= runners; ++second) {
            for (int third = 1; third <= runners; ++third) {
                if (second == first || third == first || third == second)
                    continue;
                const double odds = 10.0 + ((first * 7919 + second * 104729 + third * 1299709) % 99990) / 10.0;
                page += u"<tr>\n<td class=\"comb\">"_s + QString::number(first) + u"-"_s + QString::number(second) +
                        u"-"_s + QString::number(third) + u"</td>\n<td class=\"name\" nowrap>"_s + horses[third - 1] +
                        u"</td>\n<td class=\"odds\" align=\"right\">"_s + QString::number(odds, 'f', 1) +
                        u"</td>\n<td class=\"rank\">"_s + QString::number(rank++) + u"人気</td>\n</tr>\n"_s;
            }
        }
        page += u"</table>\n"_s;
    }
    page += u"<p class=\"note\">※オッズは締切前のものです &amp; 変動します</p>\n</div>\n</body>\n</html>\n"_s;
    return page;
}

void renderTrifecta(benchmark::State& state, MarkupStyle style)
{
    const QString page = trifectaPage();
    const qint64 bytes = page.toUtf8().size();
    for (auto _ : state) {
        QString body = renderBody(page, style);
        benchmark::DoNotOptimize(body);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["page_KB"] = double(bytes) / 1024.0;
}

// The parser alone, with the options renderBody uses: the floor for the whole job.
void parseTrifectaOnly(benchmark::State& state)
{
    const QByteArray page = trifectaPage().toUtf8();
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    for (auto _ : state) {
        GumboOutput* output = gumbo_parse_with_options(&options, page.constData(), size_t(page.size()));
        benchmark::DoNotOptimize(output);
        gumbo_destroy_output(&options, output);
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

} // namespace

BENCHMARK_CAPTURE(renderTrifecta, modern, MarkupStyle::Modern)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(renderTrifecta, legacy, MarkupStyle::Legacy)->Unit(benchmark::kMillisecond);
BENCHMARK(parseTrifectaOnly)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
