# Sourced by the scripts beside it: installs the Debian 12 packages named as arguments when
# they are missing, with sudo when not run as root.
install_missing_packages() {
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return
    fi
    local sudo=""
    if [[ $(id -u) -ne 0 ]]; then
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# What a build of the console and its tools needs.
build_packages=(
    cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libudev-dev libgl-dev
)
