# Sourced by scripts/wine-env.sh: makes 32-bit Wine runnable on this machine.
#
# Debian's wine32 is a 32-bit Linux program. Where the kernel runs 32-bit programs itself,
# nothing is needed. Where it does not (a kernel booted without 32-bit emulation: exec of
# any i386 ELF fails with "Exec format error"), the kernel is told to hand i386 programs to
# qemu-i386 (binfmt_misc, as root), and Wine gets the preloaded helper that reserves its
# address space (reserve-address-space.c), without which each program takes a minute to
# start under qemu.

wine32_i386_native() {
  [[ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# wine32_prepare BUILD_DIR: exports LD_PRELOAD when qemu runs 32-bit Wine; fails with a
# message when 32-bit programs cannot run at all.
wine32_prepare() {
  local build_dir=$1
  wine32_i386_native && return 0
  local sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  if [[ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]]; then
    [[ -x /usr/bin/qemu-i386-static ]] || { echo "wine32: qemu-i386-static is missing (scripts/install-deps.sh --all)"; return 1; }
    [[ -e /proc/sys/fs/binfmt_misc/register ]] ||
      $sudo mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || return 1
    # The ELF header of an i386 executable or shared object; F: qemu is opened now, so
    # the registration works in every mount namespace and chroot.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      $sudo tee /proc/sys/fs/binfmt_misc/register >/dev/null || return 1
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "wine32: i386 programs do not run even under qemu"; return 1; }

  # One copy per ELF class at the path that ld.so's $LIB names, so each Wine process (the
  # 64-bit ones too) finds one of its own class; the 64-bit copy is empty.
  local here out
  here=$(dirname "${BASH_SOURCE[0]}")
  out="$build_dir/wine32-reserve"
  mkdir -p "$out/lib/i386-linux-gnu" "$out/lib/x86_64-linux-gnu"
  gcc -m32 -O2 -shared -fPIC "$here/reserve-address-space.c" -o "$out/lib/i386-linux-gnu/libwine32-reserve.so" -ldl &&
    gcc -O2 -shared -fPIC "$here/reserve-address-space.c" -o "$out/lib/x86_64-linux-gnu/libwine32-reserve.so" ||
    { echo "wine32: cannot build the address-space helper (gcc-multilib)"; return 1; }
  export CW32_WINE_ON_QEMU=1
  export LD_PRELOAD="$out/\$LIB/libwine32-reserve.so${LD_PRELOAD:+ $LD_PRELOAD}"
}
