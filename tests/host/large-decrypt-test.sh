#!/bin/bash
# A 1 GiB encrypted job decrypted from standard input to standard output: the plaintext is the job
# the filter writes without a pass phrase, and decrypt's peak resident memory stays under 64 MB and
# grows by less than that over the decryption of a tiny job. A sanitized build keeps up to 256 MB of
# freed memory resident in its quarantine (PBKDF2 alone frees that much), so there, with
# "sanitized", only the growth is held to the limit. A million small sections take no more memory
# than one.
#   tests/host/large-decrypt-test.sh HOST WORKDIR [MEBIBYTES] [sanitized]
set -euo pipefail
host=$1
work=$2
mebibytes=${3:-1024}
sanitized=${4:-}
limitKilobytes=$((64 * 1024))
rm -rf "$work"
mkdir -p "$work"
cd "$work"
pjl='"Corvo_PjlToInsert": "@PJL SET COPIES=1\r\n"'
echo "{ \"properties\": { $pjl, \"PDLEncryptionPassPhrase\": \"s3cret\" }, \"driver\": { \"pdl\": 7363 } }" > secret.json
echo "{ \"properties\": { $pjl }, \"driver\": { \"pdl\": 7363 } }" > clear.json
job() {
    printf '\e%%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%%!PS-Adobe-3.0\n'
    # Through a process substitution: yes ends by SIGPIPE, which must not end the job's text.
    head -c $(($1 * 1024 * 1024)) < <(yes '0 0 moveto (a line of page content) show')
    printf '\n%%%%EOF\n\e%%-12345X@PJL EOJ\r\n\e%%-12345X'
}
# Decrypts the encrypted job of $1 MiB; prints the plaintext's digest, leaves the peak in $2.
decrypt() {
    job "$1" | "$host" run --job secret.json --input - --output - 2>/dev/null |
        /usr/bin/time -f '%M' -o "$2" "$host" decrypt --pass-phrase s3cret --input - --output - |
        sha256sum
}
decrypt 0 tiny.rss > /dev/null
decrypted=$(decrypt "$mebibytes" decrypt.rss)
clear=$(job "$mebibytes" | "$host" run --job clear.json --input - --output - 2>/dev/null | sha256sum)
base=$(tail -n 1 tiny.rss)
peak=$(tail -n 1 decrypt.rss)
echo "decrypted $decrypted, in the clear $clear"
echo "decrypt's peak resident memory: $peak KB ($base KB for a tiny job)"
[ "$decrypted" = "$clear" ] || { echo "FAILED: the decrypted job is not the job in the clear"; exit 1; }
[ $((peak - base)) -lt "$limitKilobytes" ] ||
    { echo "FAILED: peak resident memory grew by $((peak - base)) KB >= $limitKilobytes KB"; exit 1; }
[ -n "$sanitized" ] || [ "$peak" -lt "$limitKilobytes" ] ||
    { echo "FAILED: peak resident memory $peak KB >= $limitKilobytes KB"; exit 1; }

# A million small sections (one of them, repeated: each is a valid section of its own) decrypt in
# the memory of one: the reader holds a block at a time however many sections begin in it.
echo '{ "properties": { "PDLEncryptionPassPhrase": "s3cret" }, "driver": { "pdl": 7360 } }' > pxl.json
printf '\e%%-12345X@PJL ENTER LANGUAGE=PCLXL\r\nx\e%%-12345X\e%%-12345X@PJL EOJ\r\n\e%%-12345X' |
    "$host" run --job pxl.json --input - --output one.out > /dev/null
size=$(stat -c %s one.out)
head_bytes=36    # the UEL and the language switch
trailer_bytes=28 # the job trailer
tail -c +$((head_bytes + 1)) one.out | head -c $((size - head_bytes - trailer_bytes)) > sections
for _ in $(seq 20); do
    cat sections sections > twice && mv twice sections
done
{ head -c "$head_bytes" one.out; cat sections; tail -c "$trailer_bytes" one.out; } > many.out
/usr/bin/time -f '%M' -o many.rss "$host" decrypt --pass-phrase s3cret --input many.out --output - |
    tr -cd x | wc -c > many.count
/usr/bin/time -f '%M' -o one.rss "$host" decrypt --pass-phrase s3cret --input one.out --output - > /dev/null
manyPeak=$(tail -n 1 many.rss)
onePeak=$(tail -n 1 one.rss)
echo "decrypt of 1048576 sections: $(cat many.count) plaintext bytes, peak $manyPeak KB ($onePeak KB for one)"
[ "$(cat many.count)" = 1048576 ] || { echo "FAILED: not every section's plaintext came out"; exit 1; }
[ -n "$sanitized" ] || [ $((manyPeak - onePeak)) -lt 8192 ] ||
    { echo "FAILED: many sections took $((manyPeak - onePeak)) KB more than one"; exit 1; }
echo "ok"
