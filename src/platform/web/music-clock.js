// The soundtrack and the demo's clock in one, on the Web Audio API (joined to tepple.js with
// --pre-js; C++ reaches it through WebMusicPlayer and WebClock).
//
// Rules:
// - While the music plays, demo time is the position of the music the listener hears now: the
//   audio context's output timestamp, moved on by the time since it was taken. Picture and sound
//   cannot drift apart, and a machine too slow for the frame rate drops frames, never sync.
// - Until the music is really heard (the audio context still starting), demo time stands still at
//   the moment the music is to start from; the page offers Start once the MP3 is decoded. Should
//   the music not come within a moment, the demo goes on without it, and the music joins in step
//   once it can.
// - Without music (no file, a decoder that fails, a browser that refuses to play) demo time is the
//   page's own high-resolution clock. The browser's refusal is told to the page (onSoundRefused),
//   which offers a button: soundOn() then starts the music at the current demo time, in step.
// - pause() (the page is hidden) stops both; resume() starts both from where they stopped.
// - Demo time never goes backwards.
Module['teppleMusic'] = (function() {
  'use strict';
  // How long a start may wait for the audio context before the demo goes on without sound.
  var startLimitSeconds = 1.5;

  var context = null;     // the AudioContext, made once and kept
  var decoded = {};       // file name -> Promise of an AudioBuffer
  var buffer = null;      // the soundtrack of the current run, once decoded
  var pending = null;     // the Promise of that buffer
  var source = null;      // the playing AudioBufferSourceNode
  var mode = 'idle';      // 'idle', 'waiting' (for the music), 'music', 'silent'
  var paused = false;
  var refusedSound = false; // the browser refused this run's sound: only the viewer's button brings it
  var run = 0;            // counts starts, so late promises of an earlier run are ignored
  var waitStarted = 0;    // performance.now() when waiting began
  var standing = 0;       // demo time while waiting or paused
  var silentOrigin = 0;   // performance.now() at demo time 0 of the silent clock
  var musicStart = 0;     // context time at which the music's position `musicOffset` plays
  var musicOffset = 0;
  var lastTime = 0;

  function now() { return performance.now() / 1000; }

  function audioContext() {
    if (context) return context;
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return null;
    context = new Context();
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
    if (mode === 'waiting' && now() - waitStarted > startLimitSeconds) {
      goSilent(time);
      if (context.state !== 'running') refused('the browser did not start the sound');
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
    if (!ctx) return Promise.reject(new Error('this browser has no Web Audio'));
    if (!decoded[name]) {
      // decodeAudioData takes the bytes over: it gets a copy of its own.
      decoded[name] = ctx.decodeAudioData(bytes.slice().buffer);
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
        err('No music (' + name + '): this browser has no Web Audio');
        return false;
      }
      var thisRun = run;
      mode = 'waiting';
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
        err('No music (' + name + '): ' + (error && error.message ? error.message : 'it cannot be decoded'));
        if (mode === 'waiting') goSilent(standing);
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
