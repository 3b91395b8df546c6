// What the end-to-end harness puts in the page before the page's own scripts (browser.py): it
// records what the page prints and its uncaught errors, the moment of every put of pixels on a
// canvas, and what reaches each audio context's output, as a player would hear it.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
(function () {
  'use strict';
  var probe = {
    out: [],
    err: [],
    errors: [],
    keys: [],
    // [performance.now(), signature] of every putImageData
    presents: [],
    contexts: [],
    // What reached the audio output: 16-bit samples, two channels, not yet taken by the
    // harness; the rate; and for each recorded block, when its first frame was played and how
    // many frames were recorded up to its end.
    audio: { samples: [], rate: 0, frames: 0, stamps: [] }
  };
  window.__quorvaneProbe = probe;

  function capture(methods, into) {
    methods.forEach(function (method) {
      var original = console[method];
      console[method] = function () {
        into.push(Array.prototype.map.call(arguments, String).join(' '));
        return original.apply(console, arguments);
      };
    });
  }
  capture(['log', 'info', 'debug'], probe.out);
  capture(['warn', 'error'], probe.err);
  window.addEventListener('error', function (event) {
    probe.errors.push(String(event.message));
  });
  window.addEventListener('unhandledrejection', function (event) {
    probe.errors.push('unhandled rejection: ' + String(event.reason));
  });
  // Every key press, and whether the page kept it from the browser, once the page's own
  // listeners have seen it.
  window.addEventListener('keydown', function (event) {
    probe.keys.push([event.key, event.defaultPrevented]);
  });

  // A signature of what a put of a whole image shows: a hash (FNV-1a) of the red, green and
  // blue of every 20th pixel across and down, from the 10th, which the harness computes of its
  // captures to tell when the picture that it saw was first put. A put of part of an image has
  // none.
  function signature(image) {
    var data = image.data;
    var hash = 2166136261;
    for (var y = 10; y < image.height; y += 20) {
      for (var x = 10; x < image.width; x += 20) {
        for (var c = 0; c < 3; c++) {
          hash = Math.imul(hash ^ data[(y * image.width + x) * 4 + c], 16777619) >>> 0;
        }
      }
    }
    return hash;
  }
  var put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (image, dx, dy, x, y, w, h) {
    var whole = dx === 0 && dy === 0 && (arguments.length === 3 ||
                (x === 0 && y === 0 && w === image.width && h === image.height));
    probe.presents.push([performance.now(), whole ? signature(image) : null]);
    return put.apply(this, arguments);
  };

  // The recorder runs on the audio thread, on whatever is connected to a context's output, and
  // sends its input in blocks of 1024 frames with the context frame at which each starts.
  var recorderSource = '(' + function () {
    registerProcessor('quorvane-recorder', class extends AudioWorkletProcessor {
      constructor() {
        super();
        this.planes = null;
        this.count = 0;
        this.start = 0;
      }
      process(inputs) {
        var input = inputs[0];
        var frames = input.length ? input[0].length : 128;
        if (this.planes === null) {
          this.planes = [new Float32Array(1024), new Float32Array(1024)];
          this.start = currentFrame;
        }
        for (var c = 0; c < 2; c++) {
          var from = input.length ? input[Math.min(c, input.length - 1)] : null;
          if (from) {
            this.planes[c].set(from, this.count);
          }
        }
        this.count += frames;
        if (this.count === 1024) {
          this.port.postMessage({ start: this.start, planes: this.planes },
                                [this.planes[0].buffer, this.planes[1].buffer]);
          this.planes = null;
          this.count = 0;
        }
        return true;
      }
    });
  }.toString() + ')();';
  var recorderUrl = URL.createObjectURL(new Blob([recorderSource], { type: 'text/javascript' }));

  function record(context, block) {
    var audio = probe.audio;
    var stamp = context.getOutputTimestamp();
    audio.rate = context.sampleRate;
    var played = stamp.performanceTime +
                 (block.start / context.sampleRate - stamp.contextTime) * 1000;
    var samples = new Int16Array(2048);
    for (var i = 0; i < 1024; i++) {
      for (var c = 0; c < 2; c++) {
        var value = Math.round(block.planes[c][i] * 32768);
        samples[2 * i + c] = Math.max(-32768, Math.min(32767, value));
      }
    }
    audio.samples.push(samples);
    audio.frames += 1024;
    audio.stamps.push([played, audio.frames]);
  }

  // The recorder's worklet, kept even where a test takes AudioWorklet from the page.
  var worklet = Object.getOwnPropertyDescriptor(BaseAudioContext.prototype, 'audioWorklet').get;
  var Context = window.AudioContext;
  window.AudioContext = function (options) {
    var context = new Context(options);
    probe.contexts.push(context);
    context.__quorvaneRecorder = worklet.call(context).addModule(recorderUrl);
    // A context closed before the module is in (the page's test of the autoplay policy) leaves
    // no error behind.
    context.__quorvaneRecorder.catch(function () {});
    return context;
  };
  window.AudioContext.prototype = Context.prototype;

  var connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (destination) {
    var result = connect.apply(this, arguments);
    if (destination instanceof AudioDestinationNode) {
      var node = this;
      var context = node.context;
      context.__quorvaneRecorder.then(function () {
        var recorder = new AudioWorkletNode(context, 'quorvane-recorder',
                                            { numberOfInputs: 1, numberOfOutputs: 0 });
        recorder.port.onmessage = function (event) {
          record(context, event.data);
        };
        connect.call(node, recorder);
      });
    }
    return result;
  };

  // What was recorded since the last call: { samples (base64 of the 16-bit samples), rate,
  // stamps }.
  probe.takeAudio = function () {
    var audio = probe.audio;
    var bytes = new Uint8Array(audio.samples.length * 4096);
    audio.samples.forEach(function (samples, index) {
      bytes.set(new Uint8Array(samples.buffer), index * 4096);
    });
    audio.samples = [];
    var text = '';
    for (var at = 0; at < bytes.length; at += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(at, at + 0x8000));
    }
    var stamps = audio.stamps;
    audio.stamps = [];
    return { samples: btoa(text), rate: audio.rate, stamps: stamps };
  };

  // Whether any audio context still plays.
  probe.audioOpen = function () {
    return probe.contexts.some(function (context) {
      return context.state !== 'closed';
    });
  };
})();
