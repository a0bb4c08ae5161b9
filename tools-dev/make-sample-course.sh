#!/usr/bin/env bash
# Rebuild the Russian sample course "Основы астрономии" from scratch.
#
#   tools-dev/make-sample-course.sh [OUTPUT_DIR]      (default: <repo>/sample-course)
#
# Every file of the course is generated here: pages from heredocs (re-encoded
# with iconv into UTF-8 with/without BOM, UTF-16LE/BE with BOM and
# windows-1251), pictures with ImageMagick `convert`, the clip with
# GStreamer (`gst-launch-1.0`, MJPEG in AVI).  The course also carries the
# things the viewer must leave out of its catalogue: a "_" folder, a "."
# folder, a "*.files" folder, a folder named "Files", Temp.htm pages and
# files of other types.  readme.txt (ignored by the viewer) lists the
# expected catalogue.
#
# Needs: bash, iconv, sed, awk, ImageMagick 6 or 7 (`convert`), fontconfig
# with DejaVu Sans (Cyrillic labels in the pictures), gst-launch-1.0 with
# the multifile, png, jpeg (plugins-good) and avi elements.
#
# The script is idempotent: the course is built in a staging folder next to
# the target and swapped in at the end.  With the same tool versions the
# output is byte-for-byte identical from run to run.
set -euo pipefail
umask 022

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
OUT=${1:-"$repo/sample-course"}
MARK='courseview sample course'

for tool in iconv sed awk convert gst-launch-1.0; do
    command -v "$tool" >/dev/null || { echo "make-sample-course: '$tool' not found" >&2; exit 1; }
done

# Refuse to wipe a folder that is not an earlier output of this script.
if [ -d "$OUT" ] && [ -n "$(ls -A "$OUT")" ]; then
    if ! head -n 1 "$OUT/readme.txt" 2>/dev/null | grep -q "^$MARK"; then
        echo "make-sample-course: $OUT exists and is not a generated sample course; not touching it" >&2
        exit 1
    fi
fi

parent=$(dirname "$OUT")
mkdir -p "$parent"
stage=$(mktemp -d "$parent/.sample-course.XXXXXX")
work=$(mktemp -d "${TMPDIR:-/tmp}/make-sample-course.XXXXXX")
cleanup() { rm -rf "$stage" "$work"; }
trap cleanup EXIT
chmod 755 "$stage"
S=$stage

FONT=""
if command -v fc-match >/dev/null; then
    FONT=$(fc-match -f '%{file}' 'DejaVu Sans:style=Book' 2>/dev/null || true)
fi
FONTOPT=()
if [ -n "$FONT" ] && [ -f "$FONT" ]; then
    FONTOPT=(-font "$FONT")
else
    echo "make-sample-course: DejaVu Sans not found, picture labels may lack Cyrillic glyphs" >&2
fi

# ---------------------------------------------------------------- writers --
# Each reads UTF-8 text (LF line ends) on stdin and writes file $1.
prep() { mkdir -p "$(dirname "$1")"; }
w_utf8() { prep "$1"; cat >"$1"; }
w_utf8bom() { prep "$1"; { printf '\357\273\277'; cat; } >"$1"; }
w_utf16le() { prep "$1"; { printf '\377\376'; sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } >"$1"; }
w_utf16be() { prep "$1"; { printf '\376\377'; iconv -f UTF-8 -t UTF-16BE; } >"$1"; }
w_cp1251() { prep "$1"; sed 's/$/\r/' | iconv -f UTF-8 -t CP1251 >"$1"; }
put() { prep "$2"; cp "$1" "$2"; }

CSS='body { font-family: Georgia, "Times New Roman", serif; max-width: 44em; margin: 1.5em auto;
       padding: 0 1em; color: #222; background: #fdfcf7; line-height: 1.5; }
h1 { color: #1d3557; border-bottom: 2px solid #e9c46a; padding-bottom: .2em; }
h2 { color: #2a4d7a; }
table { border-collapse: collapse; margin: .8em 0; }
th, td { border: 1px solid #b9c2cf; padding: .25em .7em; }
th { background: #e8eef6; }
.note { background: #eef4fb; border-left: 4px solid #457b9d; padding: .5em .9em; }
.fig { text-align: center; margin: 1em 0; }
.caption { font-style: italic; color: #555; }'

M_UTF8='<meta charset="utf-8">'
M_1251='<meta charset="windows-1251">'
M_UTF16='<meta http-equiv="Content-Type" content="text/html; charset=utf-16">'

# html_head META [TITLE] -- document start up to <body>; no <title> without TITLE.
html_head() {
    printf '<!DOCTYPE html>\n<html lang="ru">\n<head>\n%s\n' "$1"
    printf '<meta http-equiv="X-UA-Compatible" content="IE=edge">\n'
    if [ -n "${2:-}" ]; then printf '<title>%s</title>\n' "$2"; fi
    printf '<style>\n%s\n</style>\n</head>\n<body>\n' "$CSS"
}
tail_() { printf '</body>\n</html>\n'; }

# --------------------------------------------------------------- pictures --
# Deterministic star field: stars SEED WIDTH HEIGHT COUNT -> MVG primitives.
stars() {
    local s=$1 w=$2 h=$3 n=$4 i x y g
    for ((i = 0; i < n; i++)); do
        s=$(((s * 1103515245 + 12345) % 2147483648)); x=$(((s / 65536) % w))
        s=$(((s * 1103515245 + 12345) % 2147483648)); y=$(((s / 65536) % h))
        s=$(((s * 1103515245 + 12345) % 2147483648)); g=$((90 + (s / 65536) % 150))
        printf 'fill rgb(%d,%d,%d) point %d,%d ' "$g" "$g" $((g + 20 > 255 ? 255 : g + 20)) "$x" "$y"
    done
}
jpg_opts=(-strip -quality 85 -sampling-factor 2x2 -interlace none)

# Orbits of the planets, 320x240 JPEG.
planets_mvg=$(LC_ALL=C awk 'BEGIN {
    pi = atan2(0, -1); cx = 160; cy = 128
    n = split("Меркурий:26:200:#b8b8b8:2.2:0 Венера:42:250:#e8c27a:3:0 Земля:58:320:#4f8fe0:3.2:1 " \
              "Марс:76:150:#d0603a:2.6:1 Юпитер:112:25:#d9a066:7:1 Сатурн:146:218:#e3cf8f:5.5:1", p, " ")
    printf "fill none stroke #4a5a7c stroke-width 1 "
    for (i = 1; i <= n; i++) { split(p[i], f, ":"); printf "ellipse %d,%d %d,%d 0,360 ", cx, cy, f[2], f[2] / 2 }
    printf "stroke none fill rgba(255,190,60,0.25) circle %d,%d %d,%d ", cx, cy, cx + 16, cy
    printf "fill #ffd34d stroke #ff9f1c circle %d,%d %d,%d stroke none ", cx, cy, cx + 11, cy
    printf "font-size 9 fill #dfe6f3 text %d,%d \"Солнце\" ", cx - 15, cy + 24
    for (i = 1; i <= n; i++) {
        split(p[i], f, ":"); a = f[3] * pi / 180
        x = cx + f[2] * cos(a); y = cy + f[2] / 2 * sin(a)
        if (f[1] == "Сатурн")
            printf "fill none stroke #c9b878 ellipse %.1f,%.1f 11,3 0,360 stroke none ", x, y
        printf "fill %s circle %.1f,%.1f %.1f,%.1f ", f[4], x, y, x + f[5], y
        if (f[6]) printf "fill #dfe6f3 text %.1f,%.1f \"%s\" ", x + f[5] + 2, y - f[5] - 1, f[1]
    }
}')
convert -size 320x240 radial-gradient:'#1c2b4d-#04060d' "${FONTOPT[@]}" \
    -draw "$(stars 7 320 240 110)" -draw "$planets_mvg" \
    -gravity north -pointsize 13 -fill white -annotate +0+5 'Солнечная система' \
    -gravity southeast -pointsize 9 -fill '#8797b8' -annotate +5+3 'масштаб не соблюдён' \
    "${jpg_opts[@]}" "$work/orbits.jpg"

# Phases of the Moon, 160x120 24-bit BMP.
moons_mvg=$(LC_ALL=C awk 'BEGIN {
    r = 14; k = r / 2
    split("22 61 100 139", X, " "); split("44 90", Y, " ")
    for (i = 0; i < 8; i++) {
        cx = X[i % 4 + 1]; cy = Y[int(i / 4) + 1]; t = cx "," cy - r; b = cx "," cy + r
        printf "fill #30354a stroke #454b63 circle %d,%d %d,%d stroke none fill #efe9cf ", cx, cy, cx + r, cy
        if (i == 1) printf "path \"M %s A %d,%d 0 0,1 %s A %d,%d 0 0,0 %s Z\" ", t, r, r, b, k, r, t
        if (i == 2) printf "path \"M %s A %d,%d 0 0,1 %s Z\" ", t, r, r, b
        if (i == 3) printf "path \"M %s A %d,%d 0 0,1 %s A %d,%d 0 0,1 %s Z\" ", t, r, r, b, k, r, t
        if (i == 4) printf "circle %d,%d %d,%d ", cx, cy, cx + r, cy
        if (i == 5) printf "path \"M %s A %d,%d 0 0,0 %s A %d,%d 0 0,0 %s Z\" ", t, r, r, b, k, r, t
        if (i == 6) printf "path \"M %s A %d,%d 0 0,0 %s Z\" ", t, r, r, b
        if (i == 7) printf "path \"M %s A %d,%d 0 0,0 %s A %d,%d 0 0,1 %s Z\" ", t, r, r, b, k, r, t
    }
}')
convert -size 160x120 xc:'#0b1026' "${FONTOPT[@]}" \
    -draw "$(stars 3 160 120 45)" -draw "$moons_mvg" \
    -gravity north -pointsize 11 -fill white -annotate +0+3 'Фазы Луны' \
    -gravity south -pointsize 8 -fill '#8797b8' -annotate +0+2 'цикл фаз — 29,5 суток' \
    -alpha off -type TrueColor "BMP3:$work/phases.bmp"

# The Big Dipper, illustration inside "Лекция 1.files" (not in the catalogue).
dipper_mvg=$(LC_ALL=C awk 'BEGIN {
    # name:x:y:label dx:label dy
    n = split("Бенетнаш:22:62:-14:15 Мицар:60:42:-12:-7 Алиот:96:40:-10:-7 Мегрец:132:50:-38:15 " \
              "Дубхе:176:28:-12:-7 Мерак:188:76:-12:14 Фекда:138:88:-12:14", s, " ")
    for (i = 1; i <= n; i++) {
        split(s[i], f, ":"); N[i] = f[1]; X[i] = f[2]; Y[i] = f[3]; DX[i] = f[4]; DY[i] = f[5]
    }
    printf "fill none stroke #5d7bb0 stroke-width 1 polyline"
    split("1 2 3 4 7 6 5 4", o, " ")
    for (i = 1; i <= 8; i++) printf " %d,%d", X[o[i]], Y[o[i]]
    printf " stroke none font-size 8 "
    for (i = 1; i <= n; i++) {
        printf "fill #fff6d5 circle %d,%d %.1f,%d ", X[i], Y[i], X[i] + 2.5, Y[i]
        printf "fill #c9d4ea text %d,%d \"%s\" ", X[i] + DX[i], Y[i] + DY[i], N[i]
    }
    printf "fill #e8e2c8 circle 64,37 65,37 "
}')
convert -size 240x140 gradient:'#14213d-#03050b' "${FONTOPT[@]}" \
    -draw "$(stars 5 240 140 60)" -draw "$dipper_mvg" \
    -gravity south -pointsize 10 -fill white -annotate +0+4 'Ковш Большой Медведицы' \
    "${jpg_opts[@]}" "$work/dipper.jpg"

# A planet on an elongated orbit (Kepler's second law), frames for the clip.
convert -size 160x120 xc:'#070b18' "${FONTOPT[@]}" -draw "$(stars 11 160 120 25)" \
    -fill none -stroke '#3a4a6a' -draw 'ellipse 80,56 62,49.6 0,360' -stroke none \
    -gravity south -pointsize 8 -fill '#8fa0c0' -annotate +0+2 'второй закон Кеплера' \
    "$work/base.png"
i=0
LC_ALL=C awk -v N=50 -v a=62 -v e=0.6 -v cx=80 -v cy=56 'BEGIN {
    pi = atan2(0, -1); b = a * sqrt(1 - e * e); fx = cx + a * e
    for (i = 0; i < N; i++) {
        M = 2 * pi * i / N; E = M
        for (k = 0; k < 50; k++) E -= (E - e * sin(E) - M) / (1 - e * cos(E))
        X[i] = cx + a * cos(E); Y[i] = cy - b * sin(E)
    }
    for (i = 0; i < N; i++) {
        s = sprintf("fill rgba(79,143,224,0.35) polygon %.1f,%.1f", fx, cy)
        for (t = 5; t >= 0; t--) { j = (i - t + N) % N; s = s sprintf(" %.1f,%.1f", X[j], Y[j]) }
        s = s sprintf(" fill rgba(255,190,60,0.3) circle %.1f,%.1f %.1f,%.1f", fx, cy, fx + 9, cy)
        s = s sprintf(" fill #ffd34d circle %.1f,%.1f %.1f,%.1f", fx, cy, fx + 6, cy)
        s = s sprintf(" fill #6fa8f0 circle %.1f,%.1f %.1f,%.1f", X[i], Y[i], X[i] + 3.5, Y[i])
        print s
    }
}' | while IFS= read -r mvg; do
    convert "$work/base.png" -draw "$mvg" "$(printf '%s/f%03d.png' "$work" "$i")"
    i=$((i + 1))
done
gst-launch-1.0 -q multifilesrc location="$work/f%03d.png" index=0 \
    caps='image/png,framerate=(fraction)20/1' \
    ! pngdec ! videoconvert ! video/x-raw,format=I420 ! jpegenc quality=60 \
    ! avimux ! filesink location="$work/clip.avi"

# A tiny stray picture for the skipped "Files" folder.
convert -size 32x24 xc:'#7f8c8d' -fill '#bdc3c7' -draw 'circle 16,12 16,4' \
    -alpha off -type TrueColor "BMP3:$work/stray.bmp"

# ------------------------------------------------------------------ pages --
{ html_head "$M_UTF8" 'О курсе «Основы астрономии»'; cat <<'EOF'
<h1>Основы астрономии</h1>
<p><b>Короткий вводный курс</b> для старшеклассников и всех, кто хочет разобраться,
как устроено небо над головой.</p>
<p>Слева показано оглавление курса. Разделы раскрываются щелчком, а страница,
рисунок или видеоролик открываются в этом окне.</p>
<h2>Что внутри</h2>
<ol>
<li><a href="1%20Введение/Лекция%201.htm">Введение</a> — что изучает астрономия и как
ориентироваться на звёздном небе.</li>
<li><b>Солнечная система</b> — планеты, их спутники и малые тела; схемы и короткий ролик
о движении планеты по орбите.</li>
<li><b>Космонавтика</b> — первый полёт человека и Международная космическая станция.</li>
<li><b>Приложения</b> — словарь терминов, таблица планет и список литературы.</li>
</ol>
<h2>Как заниматься</h2>
<p>Читайте разделы по порядку: каждая следующая лекция опирается на предыдущие. После
раздела полезно ответить на вопросы для самопроверки и найти описанные объекты на
настоящем небе — для многих из них не нужен даже бинокль.</p>
<p class="note">Совет: ясной ночью вдали от городских огней глаза привыкают к темноте
примерно за двадцать минут. Не смотрите в это время на яркий экран — и вы увидите
в несколько раз больше звёзд.</p>
EOF
tail_; } | w_utf8bom "$S/Как пользоваться курсом.htm"

{ html_head "$M_UTF8" 'Временный файл'; cat <<'EOF'
<p>Временная копия страницы, оставленная редактором. В оглавление курса не попадает.</p>
EOF
tail_; } | w_utf8 "$S/temp.htm"

# 1 Введение ---------------------------------------------------------------
D="$S/1 Введение"
{ html_head "$M_UTF8" 'Лекция 1. Что изучает астрономия'; cat <<'EOF'
<h1>Что изучает астрономия</h1>
<p>Астрономия — наука о небесных телах и их системах: планетах, звёздах, галактиках,
а также о Вселенной в целом. Это одна из древнейших наук: уже несколько тысяч лет
назад люди следили за движением Солнца, Луны и звёзд, чтобы вести календарь
и узнавать время полевых работ.</p>
<h2>Основные разделы</h2>
<ul>
<li><b>Астрометрия</b> измеряет положения и движения светил на небе.</li>
<li><b>Небесная механика</b> объясняет эти движения законами механики и тяготения.</li>
<li><b>Астрофизика</b> изучает строение, состав и эволюцию небесных тел.</li>
<li><b>Космология</b> исследует происхождение и развитие Вселенной как целого.</li>
</ul>
<h2>Как астрономы получают знания</h2>
<p>Почти всё, что мы знаем о далёких объектах, принесено светом и другими видами
излучения. Телескоп собирает больше света, чем глаз, и позволяет увидеть слабые
и мелкие детали. Радиотелескопы, рентгеновские и инфракрасные обсерватории
открывают то, что невидимо глазу, а космические аппараты доставляют приборы
прямо к планетам.</p>
<div class="fig"><img src="Лекция%201.files/image001.jpg" width="240" height="140"
alt="Ковш Большой Медведицы">
<p class="caption">Ковш Большой Медведицы — самый узнаваемый рисунок северного неба.</p></div>
<p class="note">Попробуйте сами: найдите ковш Большой Медведицы и мысленно продолжите
линию через две крайние звезды ковша, Мерак и Дубхе, примерно на пять расстояний
между ними. Там окажется Полярная звезда.</p>
EOF
tail_; } | w_utf8bom "$D/Лекция 1.htm"

put "$work/dipper.jpg" "$D/Лекция 1.files/image001.jpg"
w_utf8 "$D/Лекция 1.files/filelist.xml" <<'EOF'
<xml xmlns:o="urn:schemas-microsoft-com:office:office">
 <o:MainFile HRef="../Лекция%201.htm"/>
 <o:File HRef="header.htm"/>
 <o:File HRef="image001.jpg"/>
 <o:File HRef="filelist.xml"/>
</xml>
EOF
{ html_head "$M_UTF8" 'Колонтитул лекции 1'; cat <<'EOF'
<p>Служебная страница редактора: колонтитулы документа «Лекция 1».</p>
EOF
tail_; } | w_utf8 "$D/Лекция 1.files/header.htm"

{ html_head "$M_1251" 'Лекция 2. Небесная сфера и созвездия'; cat <<'EOF'
<h1>Небесная сфера и созвездия</h1>
<p>Звёзды находятся от нас на огромных и очень разных расстояниях, но глазу кажется,
что все они лежат на внутренней поверхности гигантского шара. Этот воображаемый шар
называют <b>небесной сферой</b>. Из-за вращения Земли сфера за сутки делает полный
оборот вокруг оси мира.</p>
<p>Ось мира пересекает небесную сферу в двух точках — северном и южном полюсах мира.
Вблизи северного полюса мира находится Полярная звезда, поэтому она почти не меняет
своего положения над горизонтом и издавна служит путешественникам ориентиром.</p>
<h2>Созвездия</h2>
<p>Ещё в древности яркие звёзды объединяли в фигуры и давали им имена героев
и животных. Сегодня всё небо разделено на 88 созвездий с точно определёнными
границами, так что каждая звезда принадлежит ровно одному созвездию.</p>
<table>
<tr><th>Звезда</th><th>Созвездие</th><th>Видимая звёздная величина</th></tr>
<tr><td>Сириус</td><td>Большой Пёс</td><td>-1,46</td></tr>
<tr><td>Канопус</td><td>Киль</td><td>-0,74</td></tr>
<tr><td>Арктур</td><td>Волопас</td><td>-0,05</td></tr>
<tr><td>Вега</td><td>Лира</td><td>0,03</td></tr>
<tr><td>Капелла</td><td>Возничий</td><td>0,08</td></tr>
</table>
<p>Чем меньше звёздная величина, тем ярче звезда; самые яркие объекты имеют
отрицательные величины. Звёзды шестой величины — предел, доступный невооружённому
глазу.</p>
EOF
tail_; } | w_cp1251 "$D/Лекция 2.htm"

{ html_head "$M_UTF8" 'Temp'; cat <<'EOF'
<p>Временный файл редактора. В оглавление не попадает.</p>
EOF
tail_; } | w_utf8 "$D/Temp.htm"

w_utf8 "$D/Вопросы для самопроверки.txt" <<'EOF'
Вопросы для самопроверки
1. Чем астрофизика отличается от астрометрии?
2. Почему Полярная звезда почти не меняет положения на небе?
3. Сколько созвездий на небе? Назовите пять из них.
4. Какая звезда ярче: Вега (0,03) или Сириус (-1,46)?
EOF

# 2 Солнечная система ------------------------------------------------------
D="$S/2 Солнечная система"
{ html_head "$M_UTF16" 'Планеты земной группы'; cat <<'EOF'
<h1>Планеты земной группы</h1>
<p>Четыре ближайшие к Солнцу планеты — Меркурий, Венера, Земля и Марс — называют
планетами земной группы. Они сравнительно невелики, имеют твёрдую каменную
поверхность и металлическое ядро, а спутников у них мало или нет совсем.</p>
<table>
<tr><th>Планета</th><th>Расстояние от Солнца, а.&nbsp;е.</th><th>Период обращения</th><th>Спутники</th></tr>
<tr><td>Меркурий</td><td>0,39</td><td>88 суток</td><td>нет</td></tr>
<tr><td>Венера</td><td>0,72</td><td>225 суток</td><td>нет</td></tr>
<tr><td>Земля</td><td>1,00</td><td>365,25 суток</td><td>Луна</td></tr>
<tr><td>Марс</td><td>1,52</td><td>687 суток</td><td>Фобос и Деймос</td></tr>
</table>
<p>Астрономическая единица (а.&nbsp;е.) — среднее расстояние от Земли до Солнца,
около 150 миллионов километров.</p>
<h2>Коротко о каждой</h2>
<ul>
<li><b>Меркурий</b> почти лишён атмосферы: днём его поверхность раскаляется до +430&nbsp;°C,
а ночью остывает до −180&nbsp;°C.</li>
<li><b>Венера</b> окутана плотной атмосферой из углекислого газа; парниковый эффект делает
её самой горячей планетой Солнечной системы — около +460&nbsp;°C.</li>
<li><b>Земля</b> — единственная известная планета с жидкой водой на поверхности и жизнью.</li>
<li><b>Марс</b> называют Красной планетой из-за оксидов железа в грунте; на нём находится
высочайший вулкан Солнечной системы — Олимп.</li>
</ul>
<p>Схема орбит — на рисунке «Орбиты планет», а то, как планета движется по вытянутой
орбите, показывает ролик «Движение планеты».</p>
EOF
tail_; } | w_utf16le "$D/Планеты земной группы.htm"

{ html_head "$M_UTF16" 'Планеты-гиганты'; cat <<'EOF'
<h1>Планеты-гиганты</h1>
<p>За поясом астероидов обращаются четыре планеты-гиганта: Юпитер, Сатурн, Уран и Нептун.
Они во много раз больше Земли, не имеют твёрдой поверхности и окружены кольцами
и многочисленными спутниками.</p>
<ul>
<li><b>Юпитер</b> — самая большая планета: внутри него поместилось бы больше тысячи шаров
размером с Землю. Большое Красное Пятно — гигантский вихрь, который наблюдают уже
несколько столетий.</li>
<li><b>Сатурн</b> знаменит яркими кольцами из ледяных глыб и пыли. Его средняя плотность
меньше плотности воды.</li>
<li><b>Уран</b> вращается «лёжа на боку»: его ось наклонена почти на 98°.</li>
<li><b>Нептун</b> открыт «на кончике пера»: в 1846 году его положение рассчитали по
отклонениям в движении Урана.</li>
</ul>
<table>
<tr><th>Планета</th><th>Расстояние от Солнца, а.&nbsp;е.</th><th>Период обращения</th></tr>
<tr><td>Юпитер</td><td>5,2</td><td>11,9 года</td></tr>
<tr><td>Сатурн</td><td>9,5</td><td>29,5 года</td></tr>
<tr><td>Уран</td><td>19,2</td><td>84 года</td></tr>
<tr><td>Нептун</td><td>30,1</td><td>165 лет</td></tr>
</table>
<p>У Юпитера есть вулканически активный спутник — о нём рассказывает страница
<a href="Спутник%20Ио.htm">«Спутник Ио»</a>.</p>
EOF
tail_; } | w_utf16be "$D/Планеты-гиганты.html"

{ html_head "$M_UTF8" 'Ио'; cat <<'EOF'
<h1>Ио — спутник-вулкан</h1>
<p>Ио — один из четырёх крупных спутников Юпитера, открытых Галилео Галилеем в 1610 году.
По размеру он чуть больше нашей Луны.</p>
<p>Ио — самое вулканически активное тело Солнечной системы: на нём известно более
400 действующих вулканов, а выбросы сернистых газов поднимаются на сотни километров.</p>
<p>Недра спутника разогревает притяжение Юпитера и соседних спутников: приливные силы
постоянно сжимают и растягивают Ио, и трение в его недрах превращается в тепло.</p>
EOF
tail_; } | w_utf8bom "$D/Спутник Ио.htm"

{ html_head "$M_UTF8" 'Л'; cat <<'EOF'
<h1>Луна</h1>
<p>Луна — естественный спутник Земли и ближайшее к нам небесное тело. Среднее
расстояние до неё — около 384&nbsp;400&nbsp;км; свет проходит его чуть больше чем за секунду.</p>
<p>Луна обращается вокруг Земли за 27,3 суток и за то же время один раз поворачивается
вокруг своей оси, поэтому всегда обращена к нам одной и той же стороной.</p>
<h2>Фазы Луны</h2>
<p>Луна не светится сама, а отражает солнечный свет. Мы видим только освещённую часть,
и её вид меняется: новолуние, растущий серп, первая четверть, полнолуние, последняя
четверть, старый серп. Полный цикл фаз длится около 29,5 суток — это синодический
месяц. Смена фаз показана на рисунке «Фазы Луны».</p>
EOF
tail_; } | w_utf8 "$D/Луна.htm"

put "$work/orbits.jpg" "$D/Орбиты планет.jpg"
put "$work/phases.bmp" "$D/Фазы Луны.bmp"
put "$work/clip.avi" "$D/Движение планеты.avi"
convert "$work/orbits.jpg" -resize 80x60 -strip -define png:exclude-chunks=date,time \
    "PNG24:$D/Орбиты планет (миниатюра).png"

put "$work/stray.bmp" "$D/Files/старая схема.bmp"
{ html_head "$M_UTF8" 'Заметки автора'; cat <<'EOF'
<p>Рабочие заметки к разделу. Эта папка в оглавление не попадает.</p>
EOF
tail_; } | w_utf8 "$D/Files/заметки.htm"

D="$S/2 Солнечная система/Малые тела"
w_cp1251 "$D/Кометы и астероиды.htm" <<EOF
<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">
<HTML>
<HEAD>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=windows-1251">
<TITLE>Кометы и астероиды</TITLE>
<STYLE TYPE="text/css">
$CSS
</STYLE>
</HEAD>
<BODY>
<H1>Кометы и астероиды</H1>
<P>Кроме планет и их спутников, вокруг Солнца обращаются миллионы малых тел.</P>
<H2>Астероиды</H2>
<P>Большинство астероидов движется между орбитами Марса и Юпитера, в главном поясе
астероидов. Крупнейший объект пояса — Церера диаметром около 950 км; сейчас её
относят к карликовым планетам. Суммарная масса всех тел пояса меньше массы Луны.</P>
<H2>Кометы</H2>
<P>Кометы — глыбы льда, пыли и камня размером в несколько километров, пришедшие
с окраин Солнечной системы. Вдали от Солнца комета — лишь тёмное ядро. При
сближении с Солнцем лёд испаряется, вокруг ядра возникает облако газа и пыли —
кома, а давление солнечного света и солнечный ветер вытягивают хвост, всегда
направленный от Солнца.</P>
<UL>
<LI>Комета Галлея возвращается примерно раз в 76 лет; в следующий раз она будет
видна в 2061 году.</LI>
<LI>Комета Хейла — Боппа в 1996–1997 годах была видна невооружённым глазом
около полутора лет.</LI>
</UL>
</BODY>
</HTML>
EOF

{ html_head "$M_UTF8"; cat <<'EOF'
<h1>Метеоры и метеориты</h1>
<p>Метеор, или «падающая звезда», — это вспышка в верхних слоях атмосферы, когда в неё
на огромной скорости влетает песчинка космической пыли. Частица сгорает на высоте
около 100&nbsp;км и до земли не долетает.</p>
<p>Если же тело достаточно велико и частично уцелело при полёте сквозь атмосферу,
его остаток, найденный на Земле, называют <b>метеоритом</b>.</p>
<h2>Метеорные потоки</h2>
<p>Когда Земля пересекает орбиту, усеянную пылинками кометы, число метеоров резко
возрастает, и все они словно вылетают из одной точки неба — радианта.</p>
<table>
<tr><th>Поток</th><th>Максимум</th><th>Родительское тело</th></tr>
<tr><td>Квадрантиды</td><td>3–4 января</td><td>астероид 2003 EH1</td></tr>
<tr><td>Персеиды</td><td>12–13 августа</td><td>комета Свифта — Таттла</td></tr>
<tr><td>Геминиды</td><td>13–14 декабря</td><td>астероид Фаэтон</td></tr>
</table>
EOF
tail_; } | w_utf8bom "$D/Метеоры.htm"

# 3 Космонавтика -------------------------------------------------------------
D="$S/3 Космонавтика"
{ html_head "$M_UTF8" '12 апреля 1961 года — первый полёт человека в космос'; cat <<'EOF'
<h1>Первый полёт человека в космос</h1>
<p>12 апреля 1961 года в 9 часов 07 минут по московскому времени с космодрома Байконур
стартовала ракета «Восток» с космическим кораблём «Восток-1». На его борту находился
лётчик-космонавт Юрий Алексеевич Гагарин.</p>
<p>Корабль совершил один виток вокруг Земли. Полёт продолжался 108 минут; на
заключительном участке Гагарин катапультировался и приземлился на парашюте недалеко
от города Энгельса в Саратовской области.</p>
<p>Перед стартом Гагарин произнёс ставшее знаменитым «Поехали!». С 1962 года 12 апреля
в нашей стране отмечается День космонавтики, а с 2011 года — и Международный день
полёта человека в космос.</p>
EOF
tail_; } | w_utf8 "$D/Первый полёт человека.htm"

{ html_head "$M_UTF16" 'МКС'; cat <<'EOF'
<h1>Международная космическая станция</h1>
<p>МКС — крупнейший искусственный объект на околоземной орбите. Её строят и обслуживают
космические агентства России, США, Европы, Японии и Канады. Первый модуль станции,
«Заря», выведен на орбиту в 1998 году, а с ноября 2000 года на станции постоянно
живут и работают экипажи.</p>
<p>Станция летит на высоте около 400&nbsp;км со скоростью почти 28&nbsp;000&nbsp;км/ч
и облетает Землю примерно за полтора часа — около 16 витков в сутки. Поэтому экипаж
за сутки видит по 16 восходов и закатов.</p>
<p class="note">В ясную погоду МКС легко заметить невооружённым глазом: вечером или
перед рассветом она выглядит как яркая немигающая точка, за несколько минут
пересекающая небо.</p>
EOF
tail_; } | w_utf16le "$D/Международная космическая станция.htm"

# 4 Приложения^ (opened as a folder listing) --------------------------------
D="$S/4 Приложения^"
{ html_head "$M_UTF8" 'Словарь терминов'; cat <<'EOF'
<h1>Словарь терминов</h1>
<dl>
<dt><b>Астрономическая единица</b></dt><dd>Среднее расстояние от Земли до Солнца, около 150 млн км.</dd>
<dt><b>Звёздная величина</b></dt><dd>Мера блеска светила: чем она меньше, тем светило ярче.</dd>
<dt><b>Комета</b></dt><dd>Небольшое ледяное тело, у которого вблизи Солнца появляются кома и хвост.</dd>
<dt><b>Метеор</b></dt><dd>Вспышка от сгорания космической пылинки в атмосфере Земли.</dd>
<dt><b>Небесная сфера</b></dt><dd>Воображаемая сфера, на которую мы проецируем все светила.</dd>
<dt><b>Орбита</b></dt><dd>Путь, по которому одно тело движется вокруг другого.</dd>
<dt><b>Созвездие</b></dt><dd>Участок неба с определёнными границами; всего их 88.</dd>
<dt><b>Эклиптика</b></dt><dd>Видимый годичный путь Солнца среди звёзд.</dd>
</dl>
EOF
tail_; } | w_utf8 "$D/Словарь терминов.htm"

{ html_head "$M_UTF8" 'Таблица планет'; cat <<'EOF'
<h1>Планеты Солнечной системы</h1>
<table>
<tr><th>Планета</th><th>Расстояние, а.&nbsp;е.</th><th>Период обращения</th><th>Диаметр, км</th></tr>
<tr><td>Меркурий</td><td>0,39</td><td>88 суток</td><td>4&nbsp;879</td></tr>
<tr><td>Венера</td><td>0,72</td><td>225 суток</td><td>12&nbsp;104</td></tr>
<tr><td>Земля</td><td>1,00</td><td>365 суток</td><td>12&nbsp;742</td></tr>
<tr><td>Марс</td><td>1,52</td><td>687 суток</td><td>6&nbsp;779</td></tr>
<tr><td>Юпитер</td><td>5,20</td><td>11,9 года</td><td>139&nbsp;820</td></tr>
<tr><td>Сатурн</td><td>9,54</td><td>29,5 года</td><td>116&nbsp;460</td></tr>
<tr><td>Уран</td><td>19,2</td><td>84 года</td><td>50&nbsp;724</td></tr>
<tr><td>Нептун</td><td>30,1</td><td>165 лет</td><td>49&nbsp;244</td></tr>
</table>
<p>Диаметры — средние; у быстро вращающихся гигантов экваториальный диаметр заметно
больше полярного.</p>
EOF
tail_; } | w_utf8 "$D/Таблица планет.htm"

w_utf8 "$D/Список литературы.txt" <<'EOF'
Список литературы

1. Воронцов-Вельяминов Б. А., Страут Е. К. Астрономия. 11 класс.
2. Перельман Я. И. Занимательная астрономия.
3. Куликовский П. Г. Справочник любителя астрономии.
4. Астрономия: век XXI / под ред. В. Г. Сурдина.
EOF

# Left out of the catalogue ----------------------------------------------------
D="$S/_черновики"
{ html_head "$M_UTF8" 'Лекция 3. Звёзды (черновик)'; cat <<'EOF'
<h1>Звёзды</h1>
<p>План: что такое звезда; цвет и температура; расстояния до звёзд; жизнь звезды.</p>
EOF
tail_; } | w_utf8 "$D/Лекция 3 (черновик).htm"
w_utf8 "$D/План курса.txt" <<'EOF'
Добавить раздел «Звёзды и галактики» после «Солнечной системы».
EOF

w_utf8 "$S/.svn/entries" <<'EOF'
12
EOF
{ html_head "$M_UTF8" 'Копия страницы'; cat <<'EOF'
<p>Служебная копия системы контроля версий.</p>
EOF
tail_; } | w_utf8 "$S/.svn/tmp/копия страницы.htm"

# readme.txt (ignored by the viewer; its first line marks the folder as ours) --
w_utf8 "$S/readme.txt" <<EOF
$MARK: «Основы астрономии»

Generated by tools-dev/make-sample-course.sh -- edit the script, not these files.

Expected catalogue (entry order follows the file system and is not fixed;
"[...]" = branch; captions taken from <title> start with a space):

  " О курсе «Основы астрономии»"  Как пользоваться курсом.htm  UTF-8 + BOM
  [1 Введение]
    " Лекция 1. Что изучает астрономия"      Лекция 1.htm  UTF-8 + BOM
    " Лекция 2. Небесная сфера и созвездия"  Лекция 2.htm  windows-1251 (*), CRLF
  [2 Солнечная система]
    " Планеты земной группы"  Планеты земной группы.htm  UTF-16LE + BOM, CRLF
    " Планеты-гиганты"        Планеты-гиганты.html       UTF-16BE + BOM
    "Спутник Ио"   title "Ио" is shorter than 3 characters     UTF-8 + BOM
    "Луна"         title "Л" is shorter than 3 characters      UTF-8 (*)
    "Орбиты планет"     picture, jpg 320x240
    "Фазы Луны"         picture, bmp 160x120x24
    "Движение планеты"  clip, avi (MJPEG) 160x120, 2.5 s
    [Малые тела]
      " Кометы и астероиды"  Кометы и астероиды.htm  windows-1251 (*), CRLF, upper-case tags
      "Метеоры"      no <title> at all               UTF-8 + BOM
  [3 Космонавтика]
    " 12 апреля 1961 года — первый полёт человека в космос"
                   Первый полёт человека.htm         UTF-8 (*)
    " МКС"         title of exactly 3 characters     UTF-16LE + BOM, CRLF
  "4 Приложения"   page folder "4 Приложения^", opens as a folder listing

(*) No BOM: the title is read in the system code page.  With a UTF-8 locale
the windows-1251 titles are not valid text; on a Russian Windows (cp1251)
the UTF-8 title of "Первый полёт человека" comes out garbled.  The browser
itself shows every page correctly, as each declares its charset.

Left out: temp.htm, 1 Введение/Temp.htm, "Лекция 1.files" (holds a page and a
picture), "2 Солнечная система/Files", "_черновики", ".svn", and files of
other types (*.txt, *.xml, *.png).
EOF

# ----------------------------------------------------------------- swap in --
rm -rf "$OUT"
mv "$stage" "$OUT"
trap 'rm -rf "$work"' EXIT
echo "sample course written to $OUT"
