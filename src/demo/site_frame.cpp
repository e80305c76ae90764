#include "demo/site_frame.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

const QString& oddsSiteHeader()
{
    static const QString header = uR"(<div id="header">
<p class="site-name"><a href="/">南関東4競馬場公式ウェブサイト</a></p>
<ul class="global-nav">
<li><a href="/">トップページ</a></li>
<li><a href="/program/">開催日程</a></li>
<li><a href="/race_info/">出馬表</a></li>
<li class="on"><a href="/odds/">オッズ</a></li>
<li><a href="/result/">レース結果・払戻金</a></li>
<li><a href="/news/">ニュース・お知らせ</a></li>
</ul>
<ul class="venue-nav">
<li><a href="/program/urawa.do">浦和競馬</a></li>
<li><a href="/program/funabashi.do">船橋競馬</a></li>
<li><a href="/program/ooi.do">大井競馬</a></li>
<li><a href="/program/kawasaki.do">川崎競馬</a></li>
</ul>
</div>
)"_s;
    return header;
}

const QString& oddsSiteFooter()
{
    static const QString footer = uR"(<div id="footer">
<ul class="footer-nav">
<li><a href="/guide/">はじめての方へ</a></li>
<li><a href="/sitemap/">サイトマップ</a></li>
<li><a href="/privacy/">個人情報の取り扱いについて</a></li>
<li><a href="/policy/">サイトのご利用について</a></li>
<li><a href="/contact/">お問い合わせ</a></li>
</ul>
<p class="copyright">Copyright (C) 南関東4競馬場 All Rights Reserved.</p>
</div>
)"_s;
    return footer;
}

} // namespace kazeyomi
