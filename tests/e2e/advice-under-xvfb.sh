#!/usr/bin/env bash
# End to end: on an otherwise empty home, three providers on the bar that each
# lack something: DeepSeek without a key, Ollama whose server does not answer
# (OLLAMA_HOST names a port nothing listens on), Claude Code not installed.
# Read as a screen reader reads it, each one's row says why it has no figure
# and each one's screen gives its own advice: DeepSeek names its variable and
# key file, Ollama the address it asked and how to start its server, Claude
# Code that its client was not found; none gives the sign-in advice of
# another. Then the same home in Korean. Screenshots in the output folder.
#
#   advice-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 5 "<meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>" "$@"
app=$1 grab=$2 diff=$3 texts=$4 out=$5
mkdir -p "$out"

home=$(mktemp -d)
settings="$home/.config/Meterix/Meterix.conf"
mkdir -p "$(dirname "$settings")"
# A port of this machine that nothing listens on (taken, then let go).
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
with_language() {
    printf '[General]\nhasCustomizedProviders=true\nenabledProvidersJSON="[\\"claude\\",\\"deepseek\\",\\"ollama\\"]"\nappLanguage=%s\n' \
        "$1" > "$settings"
}

says() { grep -qF "$2" "$out/$1.screen"; }
reads() { what "$1" && says "$1" "$2"; }
# click <screen> <button name start>: a click in the middle of that button.
click() {
    local x y w h
    read -r x y w h <<< "$(awk -F'\t' -v name="$2" '$1 == "push button" && index($2, name) == 1 {print $4; exit}' "$out/$1.screen")"
    [ -n "${h:-}" ] || fail "no \"$2\" to click on $1: $(cat "$out/$1.screen")"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}
still() {
    local x y w h same=1; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    "$grab" "$home/now.png" || return 1
    if [ -f "$home/last.png" ] && [ "$("$diff" "$home/last.png" "$home/now.png" "$x" "$y" "$w" "$h")" = 0 ]; then same=0; fi
    mv "$home/now.png" "$home/last.png"
    return $same
}
shot() { rm -f "$home/last.png"; wait_for "$hang" still || fail "$1 never held still"; cp "$home/last.png" "$out/$1.png"; }

# open_panel <Claude Code's reason>: the app started on the home, Claude Code's
# segment on the bar saying why it has no figure (a reading, not the
# placeholder), and the panel opened by a second start (there is no tray). The
# screens read below wait for what each provider's reading says.
open_panel() {
    start_app OLLAMA_HOST="127.0.0.1:$port"
    wait_for "$hang" bar_mapped || fail "the bar never showed"
    wait_for "$hang" segment_reads "Claude Code" "$1" || fail "Claude Code was never read"
    run_app > "$home/second.log" 2>&1 || fail "the second start failed"
    wait_for "$hang" panel_open || fail "a second start did not open the panel"
}
# advice <screen> <row> <back> <text>...: the row's screen, opened from the
# overview, holds every text; then back to the overview.
advice() {
    local screen=$1 row=$2 back=$3; shift 3
    click overview "$row"
    wait_for "$hang" reads "$screen" "$1" || fail "$row's screen does not say \"$1\": $(cat "$out/$screen.screen")"
    for text in "$@"; do says "$screen" "$text" || fail "$row's screen does not say \"$text\""; done
    for other in "Check that the CLI or app is signed in" "CLI·앱 로그인 상태"; do
        ! says "$screen" "$other" || fail "$row's screen still gives the one advice for every provider"
    done
    shot "advice-$screen"
    click "$screen" "$back"
    wait_for "$hang" reads overview "$row" || fail "the overview did not come back from $row's screen"
}

start_a11y_bus
with_language english
open_panel "Not installed"
wait_for "$hang" reads overview "DeepSeek, no data (Not connected)" || fail "DeepSeek's row: $(cat "$out/overview.screen")"
says overview "Ollama, no data (Not connected)" || fail "Ollama's row does not say it has no data"
says overview "Claude Code, no data (Not installed)" || fail "Claude Code's row does not say it is not installed"
shot advice-overview
advice deepseek "DeepSeek," Overview "No API key was found" \
    "Set DEEPSEEK_API_KEY in the environment the app starts in, or put the key on one line in ~/.config/deepseek/api_key."
advice ollama "Ollama," Overview "The Ollama server did not answer" "Nothing answered at http://127.0.0.1:$port." \
    "Start the server with “ollama serve”, or with “systemctl start ollama” where it was installed as a service."
advice claude "Claude Code," Overview "The Claude Code client was not found" \
    "No “claude” command was found in ~/.local/bin or on PATH."
stop_app

with_language korean
open_panel "설치되지 않음"
wait_for "$hang" reads overview-ko "DeepSeek, 데이터 없음 (미연결)" || fail "DeepSeek's Korean row: $(cat "$out/overview-ko.screen")"
cp "$out/overview-ko.screen" "$out/overview.screen"
says overview "Claude Code, 데이터 없음 (설치되지 않음)" || fail "Claude Code's Korean row does not say it is not installed"
advice deepseek-ko "DeepSeek," "전체 현황" "API 키를 찾지 못했습니다" \
    "DEEPSEEK_API_KEY 환경 변수를 설정하거나, ~/.config/deepseek/api_key 파일에 키를 한 줄로 넣으세요."
advice ollama-ko "Ollama," "전체 현황" "Ollama 서버가 응답하지 않습니다" "http://127.0.0.1:$port에서 응답이 없었습니다."
stop_app
echo "PASS: each provider's own advice under Xvfb; screenshots in $out"
