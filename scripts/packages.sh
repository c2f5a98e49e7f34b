# The Debian packages of each job.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libcli11-dev
                libdtl-dev qt6-qpa-plugins fonts-dejavu-core)
# patch applies the companion's unified diffs in its tests; ccache keeps the builds of earlier runs.
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev desktop-file-utils appstream patch ccache)
