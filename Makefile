# Two commands do all set-up on a fresh Debian 12 machine:
#   make run   installs what is missing, builds the program and zv-convert, starts the program
#   make test  installs what is missing, builds everything, runs every test headless
# and two more for the maker:
#   make bench    builds and runs the conversion's benchmark
#   make package  builds the Debian package from debian/ (in a copy of this tree, under
#                 $(BUILD)/deb/) and checks it with lintian
BUILD   ?= build
JOBS    ?= $(shell nproc)
PACKAGES := cmake ninja-build g++ pkg-config python3 python3-pil dpkg-dev file \
	qt6-base-dev qt6-webengine-dev libqt6webenginewidgets6 qt6-image-formats-plugins \
	libgtest-dev libbenchmark-dev libhunspell-dev hunspell-lv hunspell \
	xvfb xauth xdotool x11-utils openbox fonts-liberation imagemagick \
	desktop-file-utils appstream man-db xclip xdg-utils adwaita-qt6 qt6-translations-l10n \
	ibus libibus-1.0-dev ibus-gtk3 dbus-daemon python3-gi gir1.2-gtk-3.0 gir1.2-ibus-1.0
# Installed too for one target only (see .ci/run for the CI's own).
EXTRA_PACKAGES ?=
PACKAGE_TOOLS := debhelper lintian
# Our own builds treat every warning as an error; a configure without this does not.
CMAKE_FLAGS := -G Ninja -DCMAKE_COMPILE_WARNING_AS_ERROR=ON

.PHONY: all deps configure build run test bench package clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES) $(EXTRA_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	  else \
	    echo "These Debian packages are missing. Install them with:"; \
	    echo "  sudo apt-get install --no-install-recommends$$missing"; \
	    exit 1; \
	  fi; \
	fi

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only what it runs: the program and zv-convert (not the tests and benchmarks).
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target zv zv-convert
	@if [ "$$(id -u)" = 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi; \
	if [ -x $(BUILD)/app/zv ]; then exec $(BUILD)/app/zv; else exec $(BUILD)/app/zv-convert --help; fi

test: build
	QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
	  ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 600

bench: configure
	cmake -S . -B $(BUILD) -DZV_BUILD_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS) --target zv-bench
	$(BUILD)/bench/zv-bench

# The packages are built as a packager builds them, from a clean copy of the sources (without
# build folders and version control), with dpkg-buildpackage: the source package and the binary
# ones (zv-convert, zv), which land in $(BUILD)/deb/; lintian checks them all.
# The upstream tarball, zv_VERSION.orig.tar.xz, is that copy without debian/.
UPSTREAM_VERSION = $(shell dpkg-parsechangelog -S Version | sed 's/-[^-]*$$//')
package: EXTRA_PACKAGES += $(PACKAGE_TOOLS)
package: deps
	rm -rf $(BUILD)/deb
	mkdir -p $(BUILD)/deb/zv
	tar -c --exclude-vcs --exclude='./build*' --exclude='./$(BUILD)' --exclude=./fuzz-out . \
	  | tar -x -C $(BUILD)/deb/zv
	tar -c -C $(BUILD)/deb --exclude=zv/debian --sort=name --owner=0 --group=0 --numeric-owner \
	    --transform='s,^zv,zv-$(UPSTREAM_VERSION),' zv \
	  | xz -c > $(BUILD)/deb/zv_$(UPSTREAM_VERSION).orig.tar.xz
	cd $(BUILD)/deb/zv && dpkg-buildpackage -us -uc -J$(JOBS)
	lintian --fail-on error,warning --display-info $(BUILD)/deb/*.changes
	@ls -1 $(BUILD)/deb/*.deb

clean:
	rm -rf $(BUILD)
