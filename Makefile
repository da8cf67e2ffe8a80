# Two commands do all set-up on a fresh Debian 12 machine:
#   make run   installs what is missing, builds, starts the program
#   make test  installs what is missing, builds, runs every test headless
BUILD   ?= build
JOBS    ?= $(shell nproc)
PACKAGES := cmake ninja-build g++ pkg-config python3 dpkg-dev file \
	qt6-base-dev qt6-webengine-dev libqt6webenginewidgets6 qt6-image-formats-plugins \
	libgtest-dev libbenchmark-dev libhunspell-dev hunspell-lv hunspell \
	xvfb xauth xdotool x11-utils openbox fonts-liberation imagemagick \
	desktop-file-utils appstream man-db xclip xdg-utils adwaita-qt6 qt6-translations-l10n


.PHONY: all deps configure build run test bench package clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
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
	cmake -S . -B $(BUILD) -G Ninja

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ "$$(id -u)" = 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi; \
	if [ -x $(BUILD)/app/zv ]; then exec $(BUILD)/app/zv; else exec $(BUILD)/app/zv-convert --help; fi

test: build
	QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
	  ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 600

bench: build
	$(BUILD)/bench/zv-bench

# A .deb of the program (CPack; dependencies from the shared libraries it links).
package: build
	cmake --build $(BUILD) --target package
	@ls -1 $(BUILD)/package/*.deb

clean:
	rm -rf $(BUILD)
