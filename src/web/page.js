'use strict';
// The page around the demo: its start screen, the music, the clock, full
// screen and the closing screen. The demo itself is the native one's code
// built to WebAssembly; each animation frame runs one iteration of its frame
// loop. ?at=SECONDS&size=WxH is the test mode: no screens and no music, one
// frame of the capture tool's clock on a canvas of exactly that size, then
// the title "frame ready" (&frames=N then times N more frames).
(() => {
  if (window.pageFailed)
    return;

  const canvas = document.getElementById('demo');
  const screens = ['start', 'end', 'failure'].map((id) => document.getElementById(id));
  const [startScreen, endScreen] = screens;
  const playButton = document.getElementById('play');
  const note = document.getElementById('note');

  // web_open's answers other than 0.
  const openFailures = {
    1: 'This browser could not open WebGL on the page, which the demo needs.',
    2: 'WebGL here could not build the demo\'s drawing program.',
  };

  window.addEventListener('unhandledrejection', (event) =>
    window.showFailure('The demo stopped with an error: ' + event.reason));

  function decodeBase64(id) {
    const text = atob(document.getElementById(id).textContent.trim());
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i)
      bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  async function gunzip(bytes) {
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  }

  async function loadDemo() {
    return createDemo({ wasmBinary: await gunzip(decodeBase64('program')) });
  }

  function open(demo, width, height) {
    canvas.width = width;
    canvas.height = height;
    const result = demo._web_open(width, height);
    if (result !== 0)
      window.showFailure(openFailures[result] || 'WebGL could not be started.');
    return result === 0;
  }

  async function testMode(at, size) {
    const match = /^(\d+)x(\d+)$/.exec(size || '');
    const seconds = Number(at);
    if (!match || !(seconds >= 0)) {
      window.showFailure('The test mode wants ?at=SECONDS&size=WxH, such as ?at=12.5&size=640x480.');
      return;
    }
    const [width, height] = [Number(match[1]), Number(match[2])];
    document.body.className = 'test';
    screens.forEach((screen) => { screen.hidden = true; });
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    const demo = await loadDemo();
    if (!open(demo, width, height))
      return;
    const part = demo._web_moment(seconds);
    const frames = Number(new URLSearchParams(location.search).get('frames') || 0);
    if (part && frames > 0)
      window.frameTime = demo._web_frame_time(frames);
    // Titled once the frame has reached the screen.
    requestAnimationFrame(() => { document.title = part ? 'frame ready' : 'past the end of the demo'; });
  }

  // How long the music may take to start before the run goes on without it.
  const musicWaitMs = 3000;

  // The demo's clock, in ms since the music's start. While the music plays
  // it is the music's own position, so that every cut lands on its cue after
  // a stall, a hidden tab or a slow frame; where no music plays it runs on
  // the page's timer, and after the music it goes on from where that ended.
  const clock = {
    audio: null,
    silence: '',        // why the run was silent, for the closing screen
    state: 'timer',     // 'waiting' for the music to start, 'music' or 'timer'
    anchorMs: 0,        // the clock at anchorAt (performance.now())
    anchorAt: 0,
    lastMs: 0,          // it never runs backwards
    waitTimer: 0,

    prepare() {
      const bytes = decodeBase64('music');
      if (!bytes.length) {
        this.silence = 'this page holds no music';
        return;
      }
      this.audio = new Audio(URL.createObjectURL(new Blob([bytes], { type: 'audio/mpeg' })));
      this.audio.preload = 'auto';
      this.audio.addEventListener('error', () => this.goSilent('the browser could not decode the music'));
    },

    // Called from the click that starts a run: browsers let sound start only there.
    start() {
      Object.assign(this, { anchorMs: 0, anchorAt: performance.now(), lastMs: 0 });
      if (!this.audio || this.silence) {
        this.state = 'timer';
        return;
      }
      this.state = 'waiting';
      this.audio.currentTime = 0;
      this.audio.play().then(() => {
        if (this.state === 'waiting')
          this.state = 'music';
      }, (error) => this.goSilent('the browser would not play the music (' + error.name + ')'));
      clearTimeout(this.waitTimer);
      this.waitTimer = setTimeout(() => {
        if (this.state === 'waiting')
          this.goSilent('the music did not start within ' + musicWaitMs / 1000 + ' s');
      }, musicWaitMs);
    },

    goSilent(reason) {
      if (!this.silence)
        this.silence = reason;
      if (this.audio)
        this.audio.pause();
      Object.assign(this, { state: 'timer', anchorMs: this.lastMs, anchorAt: performance.now() });
    },

    stop() {
      if (this.audio)
        this.audio.pause();
    },

    now() {
      const at = performance.now();
      if (this.state === 'music' && !this.audio.paused && !this.audio.ended)
        Object.assign(this, { anchorMs: this.audio.currentTime * 1000, anchorAt: at });
      const ms = this.state === 'waiting' ? this.anchorMs : this.anchorMs + (at - this.anchorAt);
      this.lastMs = Math.max(this.lastMs, ms);
      return this.lastMs;
    },
  };

  async function player() {
    clock.prepare();
    const demo = await loadDemo();
    let running = false;
    let quit = false;       // Escape, or full screen left, seen during the run
    let fullScreen = false; // the run got full screen
    let shownMs = 0;        // the clock of the frame on screen

    function fitCanvas() {
      const scale = window.devicePixelRatio || 1;
      const width = Math.max(1, Math.round(window.innerWidth * scale));
      const height = Math.max(1, Math.round(window.innerHeight * scale));
      if (width !== canvas.width || height !== canvas.height) {
        canvas.width = width;
        canvas.height = height;
        demo._web_resize(width, height);
      }
    }

    // One iteration of the frame loop: the frame in which a quit is seen is
    // still drawn.
    function frame() {
      fitCanvas();
      const quitSeen = quit;
      shownMs = clock.now();
      if (!demo._web_frame(shownMs) || quitSeen)
        finish();
      else
        requestAnimationFrame(frame);
    }

    function start() {
      if (running)
        return;
      const root = document.documentElement;
      if (root.requestFullscreen)
        root.requestFullscreen().then(() => { fullScreen = true; }, () => {});
      screens.forEach((screen) => { screen.hidden = true; });
      document.body.className = 'running';
      [running, quit, fullScreen] = [true, false, false];
      fitCanvas();
      demo._web_rewind(canvas.width, canvas.height);
      clock.start();
      requestAnimationFrame(frame);
    }

    function finish() {
      running = false;
      clock.stop();
      document.body.className = '';
      if (document.fullscreenElement)
        document.exitFullscreen().catch(() => {});
      note.hidden = !clock.silence;
      note.textContent = clock.silence ? 'Played without sound: ' + clock.silence + '.' : '';
      endScreen.hidden = false;
    }

    if (!open(demo, canvas.width, canvas.height))
      return;
    window.addEventListener('keydown', (event) => {
      if (event.key === 'Escape' && running)
        quit = true;
    });
    document.addEventListener('fullscreenchange', () => {
      if (!document.fullscreenElement && running && fullScreen)
        quit = true;
    });
    startScreen.addEventListener('click', start);
    document.getElementById('again').addEventListener('click', start);
    playButton.textContent = 'play';
    playButton.disabled = false;
    // What the tests watch.
    window.demoStatus = () => ({ part: demo._web_part(), partBegin: demo._web_part_begin(), ms: shownMs,
                                 music: clock.state, silence: clock.silence, running });
    window.demoClock = clock;
  }

  const params = new URLSearchParams(location.search);
  if (params.has('at') || params.has('size'))
    testMode(params.get('at'), params.get('size'));
  else
    player();
})();
