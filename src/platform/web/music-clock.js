// The soundtrack and the demo's clock in one, on the Web Audio API (joined to tepple.js with
// --pre-js; C++ reaches it through WebMusicPlayer and WebClock).
//
// Rules:
// - While the music plays, demo time is the position of the music the listener hears now: the
//   audio context's output timestamp, moved on by the time since it was taken. Picture and sound
//   cannot drift apart, and a machine too slow for the frame rate drops frames, never sync.
// - Until the music is really heard (the audio context still starting), demo time stands still at
//   the moment the music is to start from; the page offers Start once the MP3 is decoded. Should
//   the music not come within a quarter of a second, the demo goes on without it, and the music
//   joins in step once it can: a first frame held longer looks like a page that hangs.
// - Without music (no file, a decoder that fails, a browser that refuses to play or has no Web
//   Audio) demo time is the page's own high-resolution clock. Why there is no sound is told to the
//   page: onSoundRefused when the browser refuses it (the page offers a button: soundOn() then
//   starts the music at the current demo time, in step), onNoSound when it cannot be had at all.
// - The soundtrack is decoded whole, into one buffer: pieces decoded on their own would each gain
//   the decoder's start-up silence and lose the bits the MP3 frames share across the cut, so they
//   would not join seamlessly, and the clock counts on one sample-exact position.
// - pause() (the page is hidden) stops both; resume() starts both from where they stopped.
// - Demo time never goes backwards.
Module['teppleMusic'] = (function() {
  'use strict';
  // How long a start may hold the first frame for the audio context before the demo goes on
  // without sound, and how long the context may take to start before the browser counts as
  // having refused it.
  var holdLimitSeconds = 0.25;
  var refuseLimitSeconds = 1.5;

  var context = null;     // the AudioContext, made once and kept
  var contextError = null; // why it could not be made, once that failed
  var decoded = {};       // file name -> Promise of an AudioBuffer
  var buffer = null;      // the soundtrack of the current run, once decoded
  var pending = null;     // the Promise of that buffer
  var source = null;      // the playing AudioBufferSourceNode
  var mode = 'idle';      // 'idle', 'waiting' (for the music), 'music', 'silent'
  var paused = false;
  var refusedSound = false; // the browser refused this run's sound: only the viewer's button brings it
  var expectingSound = false; // this run's music may still come (nothing said it cannot)
  var run = 0;            // counts starts, so late promises of an earlier run are ignored
  var waitStarted = 0;    // performance.now() when waiting began
  var standing = 0;       // demo time while waiting or paused
  var silentOrigin = 0;   // performance.now() at demo time 0 of the silent clock
  var musicStart = 0;     // context time at which the music's position `musicOffset` plays
  var musicOffset = 0;
  var lastTime = 0;

  function now() { return performance.now() / 1000; }

  // The context, or null with the reason in contextError.
  function audioContext() {
    if (context || contextError) return context;
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) {
      contextError = 'this browser has no Web Audio';
      return null;
    }
    try {
      context = new Context();
    } catch (error) {
      contextError = 'the browser could not open its sound output (' + (error && error.message ? error.message : error) + ')';
    }
    return context;
  }

  // From the context's rendering to the listener: the output's latency and the context's own.
  function latency() { return (context.outputLatency || 0) + (context.baseLatency || 0); }

  // The context time the listener hears at this moment: the output's latest timestamp moved on by
  // the time since. A timestamp older than a few output blocks (taken before a suspension, or
  // while the output stalled) says nothing about now: the rendered time less the latency then.
  // Never past what the context has rendered.
  var staleStampMilliseconds = 60;
  function heardContextTime() {
    if (context.getOutputTimestamp) {
      var stamp = context.getOutputTimestamp();
      var age = performance.now() - stamp.performanceTime;
      if (stamp.performanceTime > 0 && stamp.contextTime > 0 && age < staleStampMilliseconds) {
        return Math.min(stamp.contextTime + age / 1000, context.currentTime);
      }
    }
    return context.currentTime - latency();
  }

  function rawSeconds() {
    if (paused || mode === 'waiting' || mode === 'idle') return standing;
    if (mode === 'music') {
      if (context.state !== 'running') return lastTime;
      return Math.max(musicOffset, musicOffset + heardContextTime() - musicStart);
    }
    return now() - silentOrigin;
  }

  function seconds() {
    var time = rawSeconds();
    if (mode === 'waiting' && now() - waitStarted > holdLimitSeconds) goSilent(time);
    if (mode === 'silent' && expectingSound && !refusedSound && !paused && context.state !== 'running' &&
        now() - waitStarted > refuseLimitSeconds) {
      refused('the browser did not start the sound');
    }
    lastTime = Math.max(lastTime, time);
    return lastTime;
  }

  function goSilent(time) {
    stopSource();
    mode = 'silent';
    silentOrigin = now() - time;
  }

  function refused(why) {
    refusedSound = true;
    console.warn('No music: ' + why);
    if (typeof Module['onSoundRefused'] === 'function') Module['onSoundRefused'](why);
  }

  // This run has no sound and cannot get any: the page says why, the demo plays on in silence.
  function noSound(why) {
    expectingSound = false;
    if (mode === 'waiting') goSilent(standing);
    console.warn('No music: ' + why);
    if (typeof Module['onNoSound'] === 'function') Module['onNoSound'](why);
  }

  function stopSource() {
    if (!source) return;
    try { source.stop(); } catch (e) { /* never started */ }
    source.disconnect();
    source = null;
  }

  // Plays the buffer from `offset` seconds, heard as soon as the context can.
  function play(offset) {
    stopSource();
    source = context.createBufferSource();
    source.buffer = buffer;
    source.loop = true;
    source.connect(context.destination);
    var when = context.currentTime;
    source.start(when, offset % buffer.duration);
    // Heard when the context time heard reaches `when`.
    musicStart = when;
    musicOffset = offset;
    mode = 'music';
  }

  // Starts the music once the buffer is decoded and the context runs: where the clock waits, or
  // where the demo has gone on without it.
  function startWhenReady(thisRun) {
    if (!buffer || !context || context.state !== 'running' || thisRun !== run || paused) return;
    if (mode === 'waiting') play(standing);
    else if (mode === 'silent' && !refusedSound) play(rawSeconds());
  }

  var prepared = Promise.resolve();

  function decode(name, bytes) {
    var ctx = audioContext();
    if (!ctx) return Promise.reject(new Error(contextError));
    if (!decoded[name]) {
      // decodeAudioData takes the bytes over: it gets a copy of its own. Older browsers only call
      // back, and some throw at once.
      decoded[name] = new Promise(function(resolve, reject) {
        var promise = ctx.decodeAudioData(bytes.slice().buffer, resolve, reject);
        if (promise && promise.then) promise.then(resolve, reject);
      }).catch(function(error) {
        throw new Error(name + ' cannot be decoded' + (error && error.message ? ' (' + error.message + ')' : ''));
      });
      decoded[name].catch(function() { delete decoded[name]; });
    }
    return decoded[name];
  }

  return {
    // Decodes ahead of the start, so the first run's music begins at once.
    prepare: function(name, bytes) {
      prepared = decode(name, bytes).catch(function() { /* reported when a run starts */ });
    },
    // Settles once what prepare() started has been decoded or has failed.
    ready: function() { return prepared; },
    // A new run without music yet: demo time from the page's clock, starting now at 0.
    reset: function() {
      ++run;
      stopSource();
      pending = null;
      refusedSound = false;
      expectingSound = false;
      mode = 'silent';
      paused = false;
      standing = 0;
      lastTime = 0;
      silentOrigin = now();
    },
    // Called inside the viewer's gesture: the context may start only there. Demo time waits at 0
    // until the music is heard; true when the music is on its way.
    start: function(name, bytes) {
      var ctx = audioContext();
      if (!ctx) {
        noSound(contextError);
        return false;
      }
      var thisRun = run;
      mode = 'waiting';
      expectingSound = true;
      standing = 0;
      waitStarted = now();
      buffer = null;
      if (ctx.state !== 'running') {
        ctx.resume().then(function() { startWhenReady(thisRun); }, function() {});
      }
      pending = decode(name, bytes);
      pending.then(function(result) {
        if (thisRun !== run) return;
        buffer = result;
        startWhenReady(thisRun);
      }, function(error) {
        if (thisRun !== run) return;
        noSound(error && error.message ? error.message : name + ' cannot be decoded');
      });
      // A page the viewer has never acted on cannot start the context: no need to wait for it.
      if (ctx.state !== 'running' && navigator.userActivation && !navigator.userActivation.hasBeenActive) {
        goSilent(0);
        refused('the browser plays sound only after a click or a key press');
      }
      return true;
    },
    // The page's "sound on" button: inside that gesture the context may start; the music then
    // joins at the current demo time.
    soundOn: function() {
      var ctx = audioContext();
      if (!ctx || !pending || mode !== 'silent') return;
      var thisRun = run;
      Promise.all([ctx.resume(), pending]).then(function() {
        if (thisRun !== run || mode !== 'silent' || !buffer || paused || ctx.state !== 'running') return;
        play(rawSeconds());
      }, function() {});
    },
    seconds: seconds,
    // The soundtrack cannot be read (WebMusicPlayer): the run goes on in silence.
    unreadable: function(why) { noSound(why); },
    // The music stops for good (the run has ended); demo time stands still.
    stop: function() {
      standing = seconds();
      stopSource();
      mode = 'idle';
    },
    pause: function() {
      if (paused || mode === 'idle') return;
      standing = seconds();
      paused = true;
      if (mode === 'music') {
        // Suspending stops the context's clock and its sound together.
        context.suspend();
      }
    },
    resume: function() {
      if (!paused) return;
      paused = false;
      if (mode === 'music') {
        // The context restarts from where it was suspended, so the music does too.
        context.resume();
      } else if (mode === 'silent') {
        silentOrigin = now() - standing;
        startWhenReady(run);
      } else if (mode === 'waiting') {
        waitStarted = now();
        startWhenReady(run);
      }
    },
    isPaused: function() { return paused; },
    // For the page and its test: what the music is doing and the position heard now.
    state: function() {
      var position = null;
      if (mode === 'music' && context) {
        position = context.state === 'running' ? musicOffset + heardContextTime() - musicStart : lastTime;
      }
      return { mode: mode, paused: paused, context: context ? context.state : 'none', position: position,
               duration: buffer ? buffer.duration : 0 };
    },
  };
})();
